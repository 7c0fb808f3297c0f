// What a screen reader reads: the value labels' values, the windows' roles and titles, and
// a name for every control that takes the focus.
#include "AccessibilityTestSupport.h"
#include "FakeCardSource.h"

#include "accessibility/Accessibility.h"
#include "accessibility/ValueLabel.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QPointer>
#include <QPushButton>
#include <QSet>
#include <QTableView>

namespace qvx::test {
namespace {

// What assistive technology reads for `object`: its role and its texts.
QAccessibleInterface *accessible(QObject *object)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(object);
    EXPECT_NE(iface, nullptr) << (object ? object->objectName().toStdString() : "null");
    return iface;
}
QString accessibleText(QObject *object, QAccessible::Text which = QAccessible::Name)
{
    QAccessibleInterface *iface = accessible(object);
    return iface ? iface->text(which) : QString();
}

// Records the values announced by ValueChanged events while it lives (Qt raises no events
// of its own on the offscreen platform, which has no assistive technology to tell).
class AnnouncedValues {
public:
    AnnouncedValues()
    {
        events().clear();
        setAccessibleEventSpy(&AnnouncedValues::record);
    }
    ~AnnouncedValues() { setAccessibleEventSpy(nullptr); }

    QStringList of(QObject *object) const
    {
        QStringList out;
        for (const auto &[announcer, value] : events())
            if (announcer == object)
                out << value;
        return out;
    }
    void clear() { events().clear(); }

private:
    static QList<std::pair<QPointer<QObject>, QString>> &events()
    {
        static QList<std::pair<QPointer<QObject>, QString>> list;
        return list;
    }
    static void record(QAccessibleEvent *event)
    {
        if (event->type() == QAccessible::ValueChanged)
            events().append({event->object(), static_cast<QAccessibleValueChangeEvent *>(event)->value().toString()});
    }
};

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
    {"network card address", [](AppHarness &h) { h.cards.cards = {MakeCard("eth0", 2, "192.168.0.10/24")}; },
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
        AnnouncedValues announced;
        auto *label = Find<ValueLabel>(c.window(h.app()), QString::fromLatin1(c.label));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(accessibleText(label), c.before);
        EXPECT_FALSE(accessibleText(label, QAccessible::Description).isEmpty());
        if (!c.change)
            continue;
        announced.clear();
        c.change(h);
        EXPECT_EQ(accessibleText(label), c.after);
        // Each new value is announced, the last one being what the label shows.
        ASSERT_FALSE(announced.of(label).isEmpty());
        EXPECT_EQ(announced.of(label).last(), label->text());
    }
}

// A grid cell reads its text, and a flagged address its flag in words too.
TEST(DeviceGrid, CellsReadTheirTextAndTheFlagsInWords)
{
    AppHarness h(false);
    h.cards.cards = {MakeCard(QStringLiteral("eth1"), 3, QStringLiteral("192.168.0.200/24"))};
    h.ctx->start(false);
    h.app().discovery()->show();
    clickRefresh(h);
    h.endpoint.arrivalCard = 3;
    // From 10.0.0.254, outside the subnet of the card it arrived on.
    h.endpoint.injectReply(CmdDiscovery, encodeDiscoveryRecord(SampleDevice()));

    QAccessibleInterface *grid = accessible(Find<QTableView>(h.app().discovery(), "grdDevice"));
    ASSERT_TRUE(grid && grid->tableInterface());
    const auto cellName = [&](int column) {
        QAccessibleInterface *cell = grid->tableInterface()->cellAt(0, column);
        return cell ? cell->text(QAccessible::Name) : QString();
    };
    EXPECT_EQ(cellName(0), "00-1A-2B-3C-4D-5E");
    const QString flagged = cellName(1);
    EXPECT_TRUE(flagged.startsWith("10.0.0.254. ")) << flagged.toStdString();
    EXPECT_GT(flagged.size(), QString("10.0.0.254. ").size());
}

// Each window is read as a window or dialog named by its title, and every control that
// takes the focus has a name of its own.
TEST(Windows, AreNamedByTheirTitleAndEveryControlByItsOwnName)
{
    for (const ProgramWindow &c : kProgramWindows) {
        SCOPED_TRACE(c.title);
        AppHarness h;
        QWidget *window = openActive(h, c);
        ASSERT_NE(window, nullptr);
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
