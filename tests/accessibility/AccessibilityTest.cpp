// Every window as a screen reader reads it and from the keyboard alone: a name for every
// control that takes the focus, the value labels' values, Tab through every control once in
// reading order, Space and Return on the focused button. Options of one group are one Tab
// stop (the one last chosen), as on every desktop.
#include "AppHarness.h"
#include "Samples.h"
#include "UnderWine.h"

#include "accessibility/Accessibility.h"
#include "accessibility/ValueLabel.h"
#include "dialogs/AboutDialog.h"
#include "dialogs/BridgeDialog.h"
#include "dialogs/MacAddressDialog.h"
#include "dialogs/SourceFilterDialog.h"
#include "discovery/DiscoveryWindow.h"
#include "login/LoginDialog.h"
#include "programmer/ProgrammerWindow.h"
#include "protocol/Commands.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace qvx::test {
namespace {

// One window of the program: its title and role as read, how the program makes it, what
// makes all of its controls usable, its reading order ("txtIP_#4" stands for txtIP_0 ..
// txtIP_3), and a button that Space and Return can press without closing it.
struct ProgramWindow {
    const char *title;
    QAccessible::Role role;
    std::function<QWidget *(AppHarness &)> open;
    std::function<void(AppHarness &, QWidget *)> prepare; // once shown and active
    QStringList order;
    const char *button;
};

// Acceptable values everywhere, so that leaving a box never refuses it; the manual timeout
// and a login enable the rest.
void useEveryProgrammerControl(AppHarness &h, QWidget *w)
{
    Fill(w, {{"txtIPAddress", "1.1.1.1"}, {"txtSubnetMask", "1.1.1.1"}, {"txtGateway", "1.1.1.1"},
             {"txtTcpServer", "1.1.1.1"}, {"txtUDPLocalPort", "4096"}, {"txtUDPRemotePort", "4097"},
             {"optUARTManualTout", "(o)"}, {"txtUARTTimeout", "100"}});
    h.endpoint.injectReply(CmdLoginStatus, Bytes({255, 255, 0, 0}));
    h.app().loginPollTimer().setEnabled(false);
}

// The programmer window, the discovery window and the login dialog first.
const ProgramWindow kProgramWindows[] = {
    {"Ethernet-Serial Interface Programmer", QAccessible::Window,
     [](AppHarness &h) -> QWidget * { return h.app().programmer(); }, useEveryProgrammerControl,
     {"txtIPAddress_#4", "txtSubnetMask_#4", "txtGateway_#4", "txtUDPLocalPort", "txtUDPRemotePort",
      "cmbUARTBaudrate", "txtUARTTimeout", "optUARTAutoTout", "optUARTManualTout", "Option2", "Option1", "Option3",
      "Option4", "Option5", "Option6", "Option7", "Option8", "Option9", "txtExpIPAddress_#4", "optDhcp_1",
      "optDhcp_0", "optProto_1", "optProto_0", "optCliSer_1", "optCliSer_0", "txtTcpServer_#4", "cmdLogin",
      "cmdLogout", "cmdCommand_a", "cmdCommand_b", "cmdCommand_c", "Command1", "cmdSource", "cmdBridge",
      "cmdResetMacAutomatic", "cmdResetMacManual", "cmdDiscovery", "cmdExit"},
     "cmdCommand_a"},
    {"NET QVX Device Discovery", QAccessible::Window,
     [](AppHarness &h) -> QWidget * { return h.app().discovery(); }, nullptr,
     {"cmbNetworkCard", "cmdCompareSheet", "cmdRefresh", "cmdSearchAddresses", "cmdExport", "cmdExit", "grdDevice",
      "cmdNetSet", "cmdFactory", "txtMac_#6", "txtIP_#4", "txtMask_#4", "txtGwy_#4", "txtLocalPort", "txtRemotePort",
      "cmbRecord_0", "txtTimeOut", "cmbRecord_1", "cmbRecord_2", "cmbRecord_3", "cmbRecord_4", "txtSource1_#4",
      "txtSource2_#4", "txtSource3_#4", "txtSource4_#4", "optEnableB", "optDisableB", "txtLocalPB", "txtRemotePB_0",
      "txtIPB1_#4", "txtRemotePB_1", "txtIPB2_#4", "txtRemotePB_2", "txtIPB3_#4", "txtRemotePB_3", "txtIPB4_#4",
      "txtRemotePB_4", "txtIPB5_#4"},
     "cmdRefresh"},
    {"Login", QAccessible::Dialog, [](AppHarness &h) -> QWidget * { return h.app().login(); },
     // A password typed enables "Login" ("Set" and "Login" are never enabled together).
     [](AppHarness &, QWidget *w) { Find<QLineEdit>(w, "txtPassword")->setText(QStringLiteral("secret1")); },
     {"txtPassword", "cmdEseguiLogin", "txtNewPassword", "txtOldPassword", "cmdImpostaNewPassword"}, nullptr},
    {"Sources IP Filter", QAccessible::Dialog, [](AppHarness &h) -> QWidget * { return h.app().source(); }, nullptr,
     {"txtSourceIP1_#4", "txtSourceIP2_#4", "txtSourceIP3_#4", "txtSourceIP4_#4", "cmdDownloadSourceIP",
      "cmdUploadSourceIP"},
     "cmdDownloadSourceIP"},
    {"Bridge IP destinations", QAccessible::Dialog, [](AppHarness &h) -> QWidget * { return h.app().bridge(); },
     nullptr,
     {"txtBridgeIP1_#4", "txtRemotePortB_0", "txtBridgeIP2_#4", "txtRemotePortB_1", "txtBridgeIP3_#4",
      "txtRemotePortB_2", "txtBridgeIP4_#4", "txtRemotePortB_3", "txtBridgeIP5_#4", "txtRemotePortB_4",
      "txtLocalPortB", "optEnableB", "optDisableB", "cmdDownloadBridgeIP", "cmdUploadBridgeIP"},
     "cmdDownloadBridgeIP"},
    {"Set New MAC ADDRESS", QAccessible::Dialog, [](AppHarness &h) -> QWidget * { return h.app().macAddress(); },
     nullptr, {"txtCode", "Command2", "Command1"}, "Command2"},
    {"Informazioni su QvxFinder", QAccessible::Dialog,
     [](AppHarness &h) -> QWidget * {
         h.app().showAbout();
         return h.app().programmer()->findChild<AboutDialog *>();
     },
     nullptr, {"cmdOK", "cmdSysInfo"}, "cmdSysInfo"},
};

// Makes the window the way the program does, shows and activates it.
QWidget *openActive(AppHarness &h, const ProgramWindow &window)
{
    QWidget *w = window.open(h);
    EXPECT_NE(w, nullptr);
    if (!w)
        return nullptr;
    w->show();
    w->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(w));
    QCoreApplication::processEvents(); // what the activation does
    return w;
}

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

// What the label under test announces through ValueChanged events (Qt raises no events of
// its own on the offscreen platform, which has no assistive technology to tell).
QObject *announcingLabel = nullptr;
QStringList announcedValues;
void recordAnnouncement(QAccessibleEvent *event)
{
    if (event->object() == announcingLabel && event->type() == QAccessible::ValueChanged)
        announcedValues << static_cast<QAccessibleValueChangeEvent *>(event)->value().toString();
}

QString describe(const QList<QWidget *> &list)
{
    QStringList names;
    for (const QWidget *w : list)
        names << (w ? w->objectName() : QStringLiteral("(none)"));
    return names.join(QLatin1Char(' '));
}

// Whether Tab stops at option `w`: Qt makes an option group one stop, its first option in
// the Tab order that takes Tab focus (after the arrow keys chose one, only that one does).
bool isGroupStop(QWidget *w, const QList<QWidget *> &order)
{
    auto *option = qobject_cast<QAbstractButton *>(w);
    if (!option || !option->isCheckable() || !option->autoExclusive())
        return true;
    for (QWidget *other : order) {
        auto *b = qobject_cast<QAbstractButton *>(other);
        if (b && b->parent() == option->parent() && b->autoExclusive() && b->isEnabled() && b->isVisible() &&
            (b->focusPolicy() & Qt::TabFocus))
            return b == option;
    }
    return false;
}

// The controls named, in order.
QList<QWidget *> named(QWidget *window, const QStringList &names)
{
    QList<QWidget *> out;
    for (const QString &name : names) {
        const qsizetype hash = name.indexOf(QLatin1Char('#'));
        if (hash < 0) {
            out << Find<QWidget>(window, name);
            continue;
        }
        for (int i = 0; i < name.mid(hash + 1).toInt(); ++i)
            out << Find<QWidget>(window, name.left(hash) + QString::number(i));
    }
    return out;
}

// Checks that Tab goes through `order` (those enabled, visible and, of an option group, its
// stop), one press each, and back to the first, so that a control left out of the order is
// visited instead; Shift+Tab goes back.
void expectTabWalk(const QList<QWidget *> &order)
{
    QList<QWidget *> expected;
    for (QWidget *w : order)
        if (w && w->isVisible() && w->isEnabled() && isGroupStop(w, order))
            expected << w;
    ASSERT_FALSE(expected.isEmpty());
    expected.first()->setFocus(Qt::TabFocusReason);
    QList<QWidget *> visited;
    for (qsizetype i = 0; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget();
    }
    const QList<QWidget *> aroundAgain = expected.mid(1) << expected.first();
    EXPECT_EQ(visited, aroundAgain) << "expected " << describe(aroundAgain).toStdString() << "\nvisited  "
                                    << describe(visited).toStdString();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), expected.last());
}

// The window's size wanted within a 1366x768 screen, less a title bar and a task bar, and
// every caption and frame at least as wide as it needs (not measured with Wine's fonts).
void expectFitsALaptopScreenWithEveryCaptionWhole(QWidget *window)
{
    if (runningUnderWine())
        return;
    EXPECT_LE(window->sizeHint().width(), 1366);
    EXPECT_LE(window->sizeHint().height(), 768 - 70);
    for (QWidget *widget : window->findChildren<QWidget *>()) {
        const auto *label = qobject_cast<QLabel *>(widget);
        const bool caption = qobject_cast<QAbstractButton *>(widget) || (label && !label->wordWrap());
        const int needed = caption                              ? widget->sizeHint().width()
                           : qobject_cast<QGroupBox *>(widget) ? widget->minimumSizeHint().width()
                                                               : 0;
        if (needed > 0 && widget->isVisible()) {
            EXPECT_GE(widget->width(), needed) << widget->objectName().toStdString();
        }
    }
}

// Each window is read as a window or dialog named by its title, and every control in its
// reading order by a name of its own, not its objectName. Tab then visits every control once
// in that order and comes back around; Space and Return press the focused button, without a
// default button closing the window instead.
TEST(EveryWindow, IsReadByNameAndWalkedInReadingOrderFromTheKeyboard)
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
        const QList<QWidget *> order = named(window, c.order);
        QStringList names;
        for (QWidget *control : order) {
            names << accessibleText(control).trimmed();
            EXPECT_FALSE(names.last().isEmpty() || names.last() == control->objectName()) << names.last().toStdString();
        }
        const QSet<QString> distinct(names.begin(), names.end());
        EXPECT_EQ(distinct.size(), names.size()) << names.join(QStringLiteral(" | ")).toStdString();
        expectFitsALaptopScreenWithEveryCaptionWhole(window);

        if (c.prepare)
            c.prepare(h, window);
        expectTabWalk(order);
        if (!c.button)
            continue;
        auto *button = Find<QPushButton>(window, c.button);
        button->setFocus(Qt::TabFocusReason);
        QSignalSpy clicks(button, &QPushButton::clicked);
        QTest::keyClick(button, Qt::Key_Space);
        QTest::keyClick(button, Qt::Key_Return);
        QTest::keyClick(button, Qt::Key_Enter, Qt::KeypadModifier);
        EXPECT_EQ(clicks.size(), 3);
        EXPECT_TRUE(window->isVisible());
    }
}

// Every label that shows a value is read as its role, or "role: value" once it has one, and
// announces each new value, the last one being what it shows.
TEST(ValueLabels, ReadTheirValueAndAnnounceEveryChange)
{
    const auto programmer = [](AppContext &a) -> QWidget * { return a.programmer(); };
    const auto discovery = [](AppContext &a) -> QWidget * { return a.discovery(); };
    // A discovery that finds one device while the system drops 12 replies.
    const auto foundOne = [](AppHarness &h) {
        Find<QPushButton>(h.app().discovery(), "cmdRefresh")->click();
        h.endpoint.dropped += 12;
        h.endpoint.injectReply(CmdDiscovery, encodeDiscoveryRecord(SampleDevice()));
    };
    const struct {
        std::function<QWidget *(AppContext &)> window;
        const char *label;
        QString role;
        std::function<void(AppHarness &)> change; // what gives it its value, if anything
        QString value;
    } cases[] = {
        {programmer, "lblFirmware", "Firmware version",
         [](AppHarness &h) { h.endpoint.injectReply(CmdDownloadSettings, encodeSettingsBlock(SampleSettings())); }, "3.10"},
        {programmer, "lblLoginStatus", "Login status",
         [](AppHarness &h) { h.endpoint.injectReply(CmdLoginStatus, Bytes({255, 255, 5, 30})); },
         "Login done. [Login time 05:30]"},
        {discovery, "lblMsg", "Discovery status", foundOne, "Found 1 Device"},
        {discovery, "lblLost", "Discovery warning", foundOne,
         "12 replies lost by the system: raise net.core.rmem_max, see README"},
        {discovery, "lblNotSearched", "Network cards not searched", nullptr, ""},
        {discovery, "lblIpAddr", "Network card IP address", nullptr, ""},
        {discovery, "lblMacAddrDest_5", "Destination MAC address, byte 6 of 6",
         [](AppHarness &h) {
             h.endpoint.injectReply(CmdDiscovery, encodeDiscoveryRecord(SampleDevice(0x5E)));
             h.app().discovery()->show();
             auto *grid = Find<QTableView>(h.app().discovery(), "grdDevice");
             QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(0, 0)).center());
         },
         "5E"},
        {[](AppContext &a) -> QWidget * { return a.macAddress(); }, "lblMacAddr5", "New MAC address, byte 6 of 6",
         [](AppHarness &h) { Find<QLineEdit>(h.app().macAddress(), "txtCode")->setText(QStringLiteral("65794")); }, "02"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.label);
        AppHarness h;
        auto *label = Find<ValueLabel>(c.window(h.app()), QString::fromLatin1(c.label));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(accessible(label)->role(), QAccessible::StaticText);
        EXPECT_EQ(accessibleText(label, QAccessible::Description), c.role);
        announcingLabel = label;
        announcedValues.clear();
        setAccessibleEventSpy(recordAnnouncement);
        if (c.change)
            c.change(h);
        setAccessibleEventSpy(nullptr);
        EXPECT_EQ(accessibleText(label), c.value.isEmpty() ? c.role : c.role + ": " + c.value);
        EXPECT_EQ(accessibleText(label, QAccessible::Value), c.value);
        if (c.change) {
            // Each new value is announced, the last one being what the label shows.
            ASSERT_FALSE(announcedValues.isEmpty());
            EXPECT_EQ(announcedValues.last(), c.value);
        }
    }
}

// The device grid from the keyboard: Tab reaches it and leaves it, a row reached with the
// keys fills the editor as a click does, and a row that a discovery makes current does not.
TEST(KeyboardWalk, TheGridsRowsAreChosenWithTheKeys)
{
    AppHarness h;
    QWidget *w = openActive(h, kProgramWindows[1]);
    for (quint8 last : {0x51, 0x52, 0x53, 0x54})
        h.endpoint.injectReply(CmdDiscovery, encodeDiscoveryRecord(SampleDevice(last)));
    auto *chosen = Find<QLabel>(w, "lblMacAddrDest_5");
    auto *grid = Find<QTableView>(w, "grdDevice");
    auto *exit = Find<QWidget>(w, "cmdExit");
    EXPECT_EQ(chosen->text(), "");

    exit->setFocus(Qt::TabFocusReason);
    QTest::keyClick(exit, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), grid);
    const struct { Qt::Key key; const char *row; } keys[] = {
        {Qt::Key_Space, "54"}, {Qt::Key_Up, "53"},  {Qt::Key_Home, "51"},   {Qt::Key_Down, "52"},
        {Qt::Key_End, "54"},   {Qt::Key_PageUp, "51"}, {Qt::Key_PageDown, "54"}, {Qt::Key_Home, "51"},
        {Qt::Key_Right, "51"}, {Qt::Key_Return, "51"},
    };
    for (const auto &k : keys) {
        // QTest::toString hands over a copy the caller deletes.
        SCOPED_TRACE(std::unique_ptr<char[]>(QTest::toString(k.key)).get());
        QTest::keyClick(grid, k.key);
        EXPECT_EQ(chosen->text(), k.row);
        EXPECT_EQ(Find<QLineEdit>(w, "txtMac_5")->text(), k.row);
    }
    // A new reply makes its row current without choosing it.
    h.endpoint.injectReply(CmdDiscovery, encodeDiscoveryRecord(SampleDevice(0x55)));
    EXPECT_EQ(chosen->text(), "51");
    QTest::keyClick(grid, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), Find<QWidget>(w, "cmdNetSet"));
}

TEST(KeyboardWalk, ReturnInALoginBoxPressesNoButton)
{
    AppHarness h;
    QWidget *d = openActive(h, kProgramWindows[2]);
    h.endpoint.clearSent();
    auto *password = Find<QLineEdit>(d, "txtPassword");
    password->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(password, QStringLiteral("secret1"));
    QTest::keyClick(password, Qt::Key_Return);
    EXPECT_TRUE(d->isVisible());
    EXPECT_TRUE(h.endpoint.sent.isEmpty());
    // From the button itself, Return logs in.
    QTest::keyClick(password, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), Find<QWidget>(d, "cmdEseguiLogin"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return h.endpoint.commands() == QList<int>{CmdLogin}; }));
}

} // namespace
} // namespace qvx::test
