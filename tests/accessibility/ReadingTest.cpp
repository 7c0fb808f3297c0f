// What a screen reader reads: the value labels' values, the windows' roles and titles, and
// a name for every control that takes the focus.
#include "AccessibilityTestSupport.h"
#include "FakeCardSource.h"
#include "Samples.h"

#include "accessibility/ValueLabel.h"
#include "dialogs/AboutDialog.h"
#include "dialogs/BridgeDialog.h"
#include "dialogs/MacAddressDialog.h"
#include "dialogs/SourceFilterDialog.h"
#include "discovery/DiscoveryWindow.h"
#include "login/LoginDialog.h"
#include "programmer/ProgrammerWindow.h"
#include "protocol/Commands.h"
#include "protocol/Frame.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QTableView>
#include <QTest>

#include <functional>

namespace qvx::test {
namespace {

TEST(ValueLabelText, RoleAndValueAsARoleColonValueOrWhicheverIsThere)
{
    const struct { const char *role, *value, *spoken; } cases[] = {
        {"Firmware version", "2.1", "Firmware version: 2.1"},
        {"Firmware version", "", "Firmware version"},
        {"", "Found 1 Device", "Found 1 Device"},
    };
    for (const auto &c : cases) {
        ValueLabel label{QString::fromUtf8(c.role)};
        label.setText(QString::fromUtf8(c.value));
        EXPECT_EQ(accessibleText(&label), c.spoken);
        EXPECT_EQ(accessibleText(&label, QAccessible::Value), c.value);
        EXPECT_EQ(accessibleText(&label, QAccessible::Description), c.role);
        EXPECT_EQ(accessible(&label)->role(), QAccessible::StaticText);
    }
}

// One label of a window, the change that gives it a value, and what is read before and after.
struct ValueCase {
    const char *what;
    std::function<void(AppHarness &)> beforeStart; // e.g. the host's network cards
    std::function<QWidget *(AppContext &)> window;
    const char *label;
    std::function<void(AppHarness &)> change;
    QString before, after;
};

void listLocalCard(AppHarness &h)
{
    LocalCard card = MakeCard("eth0", 2, "192.168.0.10/24", "192.168.0.254");
    card.macAddress = "00-E0-4C-68-0A-FF";
    h.cards.cards = {card};
}

void clickRefresh(AppHarness &h) { Find<QPushButton>(h.app().discovery(), "cmdRefresh")->click(); }
QWidget *programmer(AppContext &a) { return a.programmer(); }
QWidget *discovery(AppContext &a) { return a.discovery(); }

const ValueCase kValueCases[] = {
    {"firmware after a download", nullptr, programmer, "lblFirmware",
     [](AppHarness &h) { h.endpoint.injectReply(CmdDownloadSettings, encodeSettingsBlock(SampleSettings())); },
     "Firmware version", "Firmware version: 3.10"},
    {"login status with its time", nullptr, programmer, "lblLoginStatus",
     [](AppHarness &h) { h.endpoint.injectReply(CmdLoginStatus, Bytes({255, 255, 5, 30})); }, "Login status",
     "Login status: Login done. [Login time 05:30]"},
    {"discovery found", nullptr, discovery, "lblMsg",
     [](AppHarness &h) {
         clickRefresh(h);
         h.endpoint.injectReply(CmdDiscovery, encodeDiscoveryRecord(SampleDevice()));
     },
     "Discovery status", "Discovery status: Found 1 Device"},
    {"discovery found nothing", nullptr, discovery, "lblMsg",
     [](AppHarness &h) {
         clickRefresh(h);
         h.app().programmer()->onReplyTimeout();
     },
     "Discovery status", "Discovery status: No Device Found"},
    {"network card address", listLocalCard,
     discovery, "lblIpAddr", nullptr, "Network card IP address: 192.168.0.10",
     "Network card IP address: 192.168.0.10"},
    {"destination of a chosen row", nullptr, discovery, "lblMacAddrDest_5",
     [](AppHarness &h) {
         h.endpoint.injectReply(CmdDiscovery, encodeDiscoveryRecord(SampleDevice(0x5E)));
         h.app().discovery()->show();
         auto *grid = Find<QTableView>(h.app().discovery(), "grdDevice");
         QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(0, 0)).center());
     },
     "Destination MAC address, byte 6 of 6", "Destination MAC address, byte 6 of 6: 5E"},
    {"replies lost by the system", nullptr, discovery, "lblLost",
     [](AppHarness &h) {
         clickRefresh(h);
         h.endpoint.dropped += 12;
         h.endpoint.injectReply(CmdDiscovery, encodeDiscoveryRecord(SampleDevice()));
     },
     "Discovery warning", "Discovery warning: 12 replies lost by the system: raise net.core.rmem_max, see README"},
    {"a card that was not searched",
     [](AppHarness &h) {
         h.cards.cards = {MakeCard(QStringLiteral("eth0"), 2, QStringLiteral("10.9.0.2/24")),
                          MakeCard(QStringLiteral("eth1"), 3, QStringLiteral("192.168.0.200/24"))};
         h.endpoint.refusedCards.insert(2, SendResult{false, 7, QStringLiteral("Network is down")});
     },
     discovery, "lblNotSearched", clickRefresh, "Network cards not searched",
     "Network cards not searched: Not searched on eth0: Network is down"},
    {"typed MAC code", nullptr, [](AppContext &a) -> QWidget * { return a.macAddress(); }, "lblMacAddr5",
     [](AppHarness &h) { Find<QLineEdit>(h.app().macAddress(), "txtCode")->setText(QStringLiteral("65794")); },
     "New MAC address, byte 6 of 6: 01", "New MAC address, byte 6 of 6: 02"},
};

TEST(ValueLabels, ReadTheirValueAndAnnounceEveryChange)
{
    for (const ValueCase &c : kValueCases) {
        SCOPED_TRACE(c.what);
        AppHarness h(false);
        if (c.beforeStart)
            c.beforeStart(h);
        h.ctx->start(false);
        AccessibleEventRecorder events;
        auto *label = Find<ValueLabel>(c.window(h.app()), QString::fromLatin1(c.label));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(accessibleText(label), c.before);
        EXPECT_FALSE(accessibleText(label, QAccessible::Description).isEmpty());
        if (!c.change)
            continue;
        events.clear();
        c.change(h);
        EXPECT_EQ(accessibleText(label), c.after);
        // Each new value is announced, the last one being what the label shows.
        const QStringList announced = events.valuesOf(label);
        ASSERT_FALSE(announced.isEmpty());
        EXPECT_EQ(announced.last(), label->text());
    }
}

// A grid cell reads its text, and a flagged address its flag in words too.
TEST(DeviceGrid, CellsReadTheirTextAndTheFlagsInWords)
{
    AppHarness h(false);
    h.cards.cards = {MakeCard(QStringLiteral("eth1"), 3, QStringLiteral("192.168.0.200/24"))};
    h.ctx->start(false);
    DiscoveryWindow *w = h.app().discovery();
    w->show();
    clickRefresh(h);
    const auto reply = [](quint8 last, Octets4 ip) {
        DiscoveryRecord r = SampleDevice(last);
        r.ip = ip;
        ReceivedDatagram d;
        d.data = buildReplyFrame(CmdDiscovery, encodeDiscoveryRecord(r));
        d.sourceAddress = quint32(ip[0]) << 24 | quint32(ip[1]) << 16 | quint32(ip[2]) << 8 | ip[3];
        d.sourcePort = kDevicePort;
        d.interfaceIndex = 3;
        return d;
    };
    h.endpoint.injectReceived({reply(1, {192, 168, 0, 1}), reply(2, {10, 0, 0, 9})});

    QAccessibleInterface *grid = accessible(Find<QTableView>(w, "grdDevice"));
    ASSERT_NE(grid, nullptr);
    ASSERT_NE(grid->tableInterface(), nullptr);
    const auto cellName = [&](int row, int column) {
        QAccessibleInterface *cell = grid->tableInterface()->cellAt(row, column);
        return cell ? cell->text(QAccessible::Name) : QString();
    };
    EXPECT_EQ(cellName(0, 0), "00-1A-2B-3C-4D-01");
    EXPECT_EQ(cellName(0, 1), "192.168.0.1");
    const QString flagged = cellName(1, 1);
    EXPECT_TRUE(flagged.startsWith("10.0.0.9. ")) << flagged.toStdString();
    EXPECT_GT(flagged.size(), QString("10.0.0.9. ").size());
}

// Every window and dialog of the program, made the way the program makes it.
struct WindowCase {
    const char *title;
    QAccessible::Role role;
    std::function<QWidget *(AppContext &)> open;
};

QWidget *openAbout(AppContext &a)
{
    a.showAbout();
    return a.programmer()->findChild<AboutDialog *>();
}

const WindowCase kWindows[] = {
    {"Ethernet-Serial Interface Programmer", QAccessible::Window, [](AppContext &a) { return a.programmer(); }},
    {"NET QVX Device Discovery", QAccessible::Window, [](AppContext &a) { return a.discovery(); }},
    {"Login", QAccessible::Dialog, [](AppContext &a) { return a.login(); }},
    {"Sources IP Filter", QAccessible::Dialog, [](AppContext &a) { return a.source(); }},
    {"Bridge IP destinations", QAccessible::Dialog, [](AppContext &a) { return a.bridge(); }},
    {"Set New MAC ADDRESS", QAccessible::Dialog, [](AppContext &a) { return a.macAddress(); }},
    {"Informazioni su QvxFinder", QAccessible::Dialog, openAbout},
};

// Each window is read as a window or dialog named by its title, and every control that
// takes the focus has a name of its own.
TEST(Windows, AreNamedByTheirTitleAndEveryControlByItsOwnName)
{
    for (const WindowCase &c : kWindows) {
        SCOPED_TRACE(c.title);
        AppHarness h;
        QWidget *window = c.open(h.app());
        ASSERT_NE(window, nullptr);
        window->show();
        QAccessibleInterface *iface = accessible(window);
        ASSERT_NE(iface, nullptr);
        EXPECT_EQ(iface->role(), c.role);
        EXPECT_EQ(iface->text(QAccessible::Name), c.title);
        QStringList names;
        for (QWidget *control : window->findChildren<QWidget *>()) {
            if (!(control->focusPolicy() & Qt::TabFocus) || control->window() != window ||
                !(qobject_cast<QLineEdit *>(control) || qobject_cast<QComboBox *>(control) ||
                  qobject_cast<QAbstractButton *>(control) || qobject_cast<QAbstractItemView *>(control)))
                continue;
            const QString name = accessibleText(control).trimmed();
            EXPECT_FALSE(name.isEmpty()) << control->objectName().toStdString();
            names << name;
        }
        EXPECT_FALSE(names.isEmpty());
        const QSet<QString> distinct(names.begin(), names.end());
        EXPECT_EQ(distinct.size(), names.size()) << names.join(QStringLiteral(" | ")).toStdString();
    }
}

} // namespace
} // namespace qvx::test
