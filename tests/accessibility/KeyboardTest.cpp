// Every window from the keyboard alone: Tab visits every control once, in reading order, and
// comes back around; Space and Return press the focused button. Options of one group are one
// Tab stop (the one last chosen), and the arrow keys move between them, as on every desktop.
#include "AccessibilityTestSupport.h"

#include "dialogs/AboutDialog.h"
#include "dialogs/BridgeDialog.h"
#include "dialogs/MacAddressDialog.h"
#include "dialogs/SourceFilterDialog.h"
#include "discovery/DiscoveryWindow.h"
#include "login/LoginDialog.h"
#include "programmer/ProgrammerWindow.h"
#include "protocol/Commands.h"
#include "protocol/Frame.h"
#include "Samples.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

#include <functional>
#include <memory>

namespace qvx::test {
namespace {

QString describe(const QList<QWidget *> &list)
{
    QStringList names;
    for (const QWidget *w : list)
        names << (w ? w->objectName() : QStringLiteral("(none)"));
    return names.join(QLatin1Char(' '));
}

// The controls of `window` that Tab stops at.
QSet<QWidget *> tabStops(QWidget *window)
{
    QSet<QWidget *> out;
    for (QWidget *w : window->findChildren<QWidget *>())
        if (w->window() == window && (w->focusPolicy() & Qt::TabFocus) && w->isVisible() && w->isEnabled() &&
            !w->focusProxy())
            out.insert(w);
    return out;
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

// The controls named, in order; "txtIP_#4" stands for txtIP_0 .. txtIP_3.
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

// Shows and activates `window`, then checks that Tab goes through `order` (those enabled,
// visible and, of an option group, its stop) and only those, one press each, and back to the
// first; Shift+Tab goes back.
void expectTabWalk(QWidget *window, const QList<QWidget *> &order)
{
    QList<QWidget *> expected;
    for (QWidget *w : order)
        if (w && w->isVisible() && w->isEnabled() && isGroupStop(w, order))
            expected << w;
    ASSERT_FALSE(expected.isEmpty());
    const QSet<QWidget *> listed(expected.begin(), expected.end());
    EXPECT_EQ(listed.size(), expected.size()) << "listed twice: " << describe(expected).toStdString();
    QSet<QWidget *> stops = tabStops(window);
    const QSet<QWidget *> everyListed(order.begin(), order.end());
    for (QWidget *w : QSet<QWidget *>(stops))
        if (!isGroupStop(w, order) && everyListed.contains(w))
            stops.remove(w);
    EXPECT_EQ(stops - listed, QSet<QWidget *>()) << "not in the order: " << describe((stops - listed).values()).toStdString();

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

// One window: how to open it, what to do so that all of its controls are in use, its reading
// order, and a button that Space and Return can press without closing it.
struct WalkCase {
    const char *window;
    std::function<QWidget *(AppHarness &)> open;
    std::function<void(AppHarness &, QWidget *)> prepare; // once shown and active
    QStringList order;
    const char *button;
};

// Acceptable values everywhere, so that leaving a box never refuses it; the manual timeout
// and a login enable the rest.
void useEveryProgrammerControl(AppHarness &h, QWidget *w)
{
    for (const char *base : {"txtIPAddress", "txtSubnetMask", "txtGateway", "txtTcpServer"})
        for (int i = 0; i < 4; ++i)
            Find<QLineEdit>(w, QStringLiteral("%1_%2").arg(QLatin1String(base)).arg(i))->setText(QStringLiteral("1"));
    Find<QLineEdit>(w, "txtUDPLocalPort")->setText(QStringLiteral("4096"));
    Find<QLineEdit>(w, "txtUDPRemotePort")->setText(QStringLiteral("4097"));
    Find<QRadioButton>(w, "optUARTManualTout")->setChecked(true);
    Find<QLineEdit>(w, "txtUARTTimeout")->setText(QStringLiteral("100"));
    h.endpoint.injectReply(CmdLoginStatus, Bytes({255, 255, 0, 0}));
    h.app().loginPollTimer().setEnabled(false);
}

const WalkCase kWalks[] = {
    {"programmer", [](AppHarness &h) -> QWidget * { return h.app().programmer(); }, useEveryProgrammerControl,
     {"txtIPAddress_#4", "txtSubnetMask_#4", "txtGateway_#4", "txtUDPLocalPort", "txtUDPRemotePort",
      "cmbUARTBaudrate", "txtUARTTimeout", "optUARTAutoTout", "optUARTManualTout", "Option2", "Option1", "Option3",
      "Option4", "Option5", "Option6", "Option7", "Option8", "Option9", "txtExpIPAddress_#4", "optDhcp_1",
      "optDhcp_0", "optProto_1", "optProto_0", "optCliSer_1", "optCliSer_0", "txtTcpServer_#4", "cmdLogin",
      "cmdLogout", "cmdCommand_a", "cmdCommand_b", "cmdCommand_c", "Command1", "cmdSource", "cmdBridge",
      "cmdResetMacAutomatic", "cmdResetMacManual", "cmdDiscovery", "cmdExit"},
     "cmdCommand_a"},
    {"discovery", [](AppHarness &h) -> QWidget * { return h.app().discovery(); }, nullptr,
     {"cmbNetworkCard", "cmdCompareSheet", "cmdRefresh", "cmdSearchAddresses", "cmdExport", "cmdExit", "grdDevice",
      "cmdNetSet", "cmdFactory", "txtMac_#6",
      "txtIP_#4", "txtMask_#4", "txtGwy_#4", "txtLocalPort", "txtRemotePort", "cmbRecord_0", "txtTimeOut",
      "cmbRecord_1", "cmbRecord_2", "cmbRecord_3", "cmbRecord_4", "txtSource1_#4", "txtSource2_#4", "txtSource3_#4",
      "txtSource4_#4", "optEnableB", "optDisableB", "txtLocalPB", "txtRemotePB_0", "txtIPB1_#4", "txtRemotePB_1",
      "txtIPB2_#4", "txtRemotePB_2", "txtIPB3_#4", "txtRemotePB_3", "txtIPB4_#4", "txtRemotePB_4", "txtIPB5_#4"},
     "cmdRefresh"},
    {"login", [](AppHarness &h) -> QWidget * { return h.app().login(); },
     // A password typed enables "Login" ("Set" and "Login" are never enabled together).
     [](AppHarness &, QWidget *w) { Find<QLineEdit>(w, "txtPassword")->setText(QStringLiteral("secret1")); },
     {"txtPassword", "cmdEseguiLogin", "txtNewPassword", "txtOldPassword", "cmdImpostaNewPassword"}, nullptr},
    {"source filter", [](AppHarness &h) -> QWidget * { return h.app().source(); }, nullptr,
     {"txtSourceIP1_#4", "txtSourceIP2_#4", "txtSourceIP3_#4", "txtSourceIP4_#4", "cmdDownloadSourceIP",
      "cmdUploadSourceIP"},
     "cmdDownloadSourceIP"},
    {"bridge", [](AppHarness &h) -> QWidget * { return h.app().bridge(); }, nullptr,
     {"txtBridgeIP1_#4", "txtRemotePortB_0", "txtBridgeIP2_#4", "txtRemotePortB_1", "txtBridgeIP3_#4",
      "txtRemotePortB_2", "txtBridgeIP4_#4", "txtRemotePortB_3", "txtBridgeIP5_#4", "txtRemotePortB_4",
      "txtLocalPortB", "optEnableB", "optDisableB", "cmdDownloadBridgeIP", "cmdUploadBridgeIP"},
     "cmdDownloadBridgeIP"},
    {"MAC address", [](AppHarness &h) -> QWidget * { return h.app().macAddress(); }, nullptr,
     {"txtCode", "Command2", "Command1"}, "Command2"},
    {"about",
     [](AppHarness &h) -> QWidget * {
         h.app().showAbout();
         return h.app().programmer()->findChild<AboutDialog *>();
     },
     nullptr, {"cmdOK", "cmdSysInfo"}, "cmdSysInfo"},
};

QWidget *openActive(AppHarness &h, const WalkCase &c)
{
    QWidget *window = c.open(h);
    EXPECT_NE(window, nullptr);
    if (!window)
        return nullptr;
    window->show();
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window));
    QCoreApplication::processEvents(); // what the activation does
    return window;
}

TEST(KeyboardWalk, TabVisitsEveryControlOnceInReadingOrderAndComesBackAround)
{
    for (const WalkCase &c : kWalks) {
        SCOPED_TRACE(c.window);
        AppHarness h;
        QWidget *window = openActive(h, c);
        ASSERT_NE(window, nullptr);
        if (c.prepare)
            c.prepare(h, window);
        expectTabWalk(window, named(window, c.order));
    }
}

TEST(KeyboardWalk, SpaceAndReturnPressTheFocusedButton)
{
    for (const WalkCase &c : kWalks) {
        if (!c.button)
            continue;
        SCOPED_TRACE(c.window);
        AppHarness h;
        QWidget *window = openActive(h, c);
        ASSERT_NE(window, nullptr);
        auto *button = Find<QPushButton>(window, c.button);
        button->setFocus(Qt::TabFocusReason);
        QSignalSpy clicks(button, &QPushButton::clicked);
        QTest::keyClick(button, Qt::Key_Space);
        QTest::keyClick(button, Qt::Key_Return);
        QTest::keyClick(button, Qt::Key_Enter, Qt::KeypadModifier);
        EXPECT_EQ(clicks.size(), 3);
        EXPECT_TRUE(window->isVisible()); // not closed by a default button instead
    }
}

TEST(KeyboardWalk, ArrowKeysChooseTheOtherOptionsOfAGroup)
{
    AppHarness h;
    QWidget *w = openActive(h, kWalks[0]);
    const struct { const char *from; Qt::Key key; const char *to; } cases[] = {
        {"Option2", Qt::Key_Down, "Option1"}, {"Option3", Qt::Key_Down, "Option4"}, {"Option4", Qt::Key_Down, "Option5"},
        {"Option5", Qt::Key_Up, "Option4"},   {"Option8", Qt::Key_Down, "Option9"}, {"optDhcp_1", Qt::Key_Down, "optDhcp_0"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.to);
        auto *from = Find<QRadioButton>(w, c.from);
        auto *to = Find<QRadioButton>(w, c.to);
        from->setChecked(true);
        from->setFocus(Qt::TabFocusReason);
        QTest::keyClick(from, c.key);
        EXPECT_EQ(QApplication::focusWidget(), to);
        EXPECT_TRUE(to->isChecked());
        // The chosen option is now its group's Tab stop.
        EXPECT_TRUE(to->focusPolicy() & Qt::TabFocus);
        EXPECT_FALSE(from->focusPolicy() & Qt::TabFocus);
    }
}

// The device grid from the keyboard: Tab reaches it and leaves it, a row reached with the
// keys fills the editor as a click does, and a row that a discovery makes current does not.
TEST(KeyboardWalk, TheGridsRowsAreChosenWithTheKeys)
{
    AppHarness h;
    QWidget *w = openActive(h, kWalks[1]);
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
    // A click still chooses its row.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(2, 0)).center());
    EXPECT_EQ(chosen->text(), "53");
}

TEST(KeyboardWalk, ReturnInALoginBoxPressesNoButton)
{
    AppHarness h;
    QWidget *d = openActive(h, kWalks[2]);
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
