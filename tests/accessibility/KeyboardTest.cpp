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
#include <QComboBox>
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

template <typename Boxes>
QList<QWidget *> widgets(const Boxes &boxes)
{
    return QList<QWidget *>(boxes.begin(), boxes.end());
}

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

// Shows and activates `window`, then checks that Tab goes through `order` (those enabled,
// visible and, of an option group, its stop) and only those, one press each, and back to the
// first; Shift+Tab goes back.
void expectTabWalk(QWidget *window, const std::function<void(QWidget *)> &prepare,
                   const std::function<QList<QWidget *>(QWidget *)> &readingOrder)
{
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QCoreApplication::processEvents(); // what the activation does
    if (prepare)
        prepare(window);
    const QList<QWidget *> order = readingOrder(window);
    QList<QWidget *> expected;
    for (QWidget *w : order)
        if (w->isVisible() && w->isEnabled() && isGroupStop(w, order))
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
    std::function<void(QWidget *)> prepare; // once shown and active
    std::function<QList<QWidget *>(QWidget *)> order;
    std::function<QPushButton *(QWidget *)> button;
};

QWidget *openProgrammer(AppHarness &h)
{
    ProgrammerWindow *w = h.app().programmer();
    return w;
}

// Acceptable values everywhere, so that leaving a box never refuses it; the manual timeout
// and a login enable the rest.
void useEveryProgrammerControl(QWidget *window)
{
    auto *w = static_cast<ProgrammerWindow *>(window);
    for (auto *boxes : {&w->ipAddressBoxes, &w->subnetMaskBoxes, &w->gatewayBoxes, &w->tcpServerAddressBoxes})
        for (QLineEdit *box : *boxes)
            box->setText(QStringLiteral("1"));
    w->localPortBox->setText(QStringLiteral("4096"));
    w->remotePortBox->setText(QStringLiteral("4097"));
    w->manualUartTimeout->setChecked(true);
    w->uartTimeoutBox->setText(QStringLiteral("100"));
    w->setWriteButtonsEnabled(true);
    w->logoutButton->setEnabled(true);
}

QList<QWidget *> programmerOrder(QWidget *window)
{
    auto *w = static_cast<ProgrammerWindow *>(window);
    return widgets(w->ipAddressBoxes) + widgets(w->subnetMaskBoxes) + widgets(w->gatewayBoxes) +
           QList<QWidget *>{w->localPortBox, w->remotePortBox, w->baudRateList, w->uartTimeoutBox,
                            w->autoUartTimeout, w->manualUartTimeout, w->eightDataBits, w->sevenDataBits,
                            w->noParity, w->evenParity, w->oddParity, w->oneStopBit, w->twoStopBits,
                            w->timeoutToDefaultOn, w->timeoutToDefaultOff} +
           widgets(w->expectedAddressBoxes) +
           QList<QWidget *>{w->dhcpButtons[1], w->dhcpButtons[0], w->protocolButtons[1], w->protocolButtons[0],
                            w->tcpRoleButtons[1], w->tcpRoleButtons[0]} +
           widgets(w->tcpServerAddressBoxes) +
           QList<QWidget *>{w->loginButton, w->logoutButton, w->downloadButton, w->uploadButton,
                            w->setDefaultButton, w->baudOnTheFlyButton, w->sourceFilterButton, w->bridgeButton,
                            w->macAutomaticButton, w->macManualButton, w->discoveryButton, w->exitButton};
}

QList<QWidget *> discoveryOrder(QWidget *window)
{
    auto *w = static_cast<DiscoveryWindow *>(window);
    QList<QWidget *> out{w->cardSelector, w->refreshButton, w->exportButton, w->exitButton,
                         w->deviceGrid, w->uploadSelectedButton, w->factorySettingButton};
    out << widgets(w->macAddressBoxes) << widgets(w->ipAddressBoxes) << widgets(w->subnetMaskBoxes)
        << widgets(w->gatewayBoxes) << w->localPortBox << w->remotePortBox << w->serialLists[0] << w->uartTimeoutBox
        << w->serialLists[1] << w->serialLists[2] << w->serialLists[3] << w->serialLists[4]
        << widgets(w->source1Boxes) << widgets(w->source2Boxes) << widgets(w->source3Boxes)
        << widgets(w->source4Boxes) << w->bridgeEnabled << w->bridgeDisabled << w->bridgeLocalPortBox;
    const std::array<QLineEdit *, 4> *hosts[] = {&w->bridge1Boxes, &w->bridge2Boxes, &w->bridge3Boxes,
                                                 &w->bridge4Boxes, &w->bridge5Boxes};
    for (int k = 0; k < 5; ++k)
        out << w->bridgeRemotePortBoxes[std::size_t(k)] << widgets(*hosts[k]);
    return out;
}

QWidget *openLogin(AppHarness &h)
{
    return h.app().login();
}

const WalkCase kWalks[] = {
    {"programmer", openProgrammer, useEveryProgrammerControl, programmerOrder,
     [](QWidget *w) { return static_cast<ProgrammerWindow *>(w)->downloadButton; }},
    {"discovery", [](AppHarness &h) -> QWidget * { return h.app().discovery(); }, nullptr, discoveryOrder,
     [](QWidget *w) { return static_cast<DiscoveryWindow *>(w)->refreshButton; }},
    {"login", openLogin,
     // A password typed enables "Login" ("Set" and "Login" are never enabled together).
     [](QWidget *w) { static_cast<LoginDialog *>(w)->passwordBox->setText(QStringLiteral("secret1")); },
     [](QWidget *w) {
         auto *d = static_cast<LoginDialog *>(w);
         return QList<QWidget *>{d->passwordBox, d->loginButton, d->newPasswordBox, d->oldPasswordBox,
                                 d->setPasswordButton};
     },
     nullptr},
    {"source filter", [](AppHarness &h) -> QWidget * { return h.app().source(); }, nullptr,
     [](QWidget *w) {
         auto *d = static_cast<SourceFilterDialog *>(w);
         return widgets(d->source1Boxes) + widgets(d->source2Boxes) + widgets(d->source3Boxes) +
                widgets(d->source4Boxes) + QList<QWidget *>{d->downloadButton, d->uploadButton};
     },
     [](QWidget *w) { return static_cast<SourceFilterDialog *>(w)->downloadButton; }},
    {"bridge", [](AppHarness &h) -> QWidget * { return h.app().bridge(); }, nullptr,
     [](QWidget *w) {
         auto *d = static_cast<BridgeDialog *>(w);
         QList<QWidget *> out;
         const std::array<QLineEdit *, 4> *rows[] = {&d->bridge1Boxes, &d->bridge2Boxes, &d->bridge3Boxes,
                                                     &d->bridge4Boxes, &d->bridge5Boxes};
         for (int k = 0; k < 5; ++k)
             out << widgets(*rows[k]) << d->bridgeRemotePortBoxes[std::size_t(k)];
         return out << d->bridgeLocalPortBox << d->bridgeEnabled << d->bridgeDisabled << d->downloadButton
                    << d->uploadButton;
     },
     [](QWidget *w) { return static_cast<BridgeDialog *>(w)->downloadButton; }},
    {"MAC address", [](AppHarness &h) -> QWidget * { return h.app().macAddress(); }, nullptr,
     [](QWidget *w) {
         auto *d = static_cast<MacAddressDialog *>(w);
         return QList<QWidget *>{d->codeBox, d->setAddressButton, d->exitButton};
     },
     [](QWidget *w) { return static_cast<MacAddressDialog *>(w)->setAddressButton; }},
    {"about",
     [](AppHarness &h) -> QWidget * {
         h.app().showAbout();
         return h.app().programmer()->findChild<AboutDialog *>();
     },
     nullptr,
     [](QWidget *w) {
         auto *d = static_cast<AboutDialog *>(w);
         return QList<QWidget *>{d->okButton, d->systemInfoButton};
     },
     [](QWidget *w) { return static_cast<AboutDialog *>(w)->systemInfoButton; }},
};

TEST(KeyboardWalk, TabVisitsEveryControlOnceInReadingOrderAndComesBackAround)
{
    for (const WalkCase &c : kWalks) {
        SCOPED_TRACE(c.window);
        AppHarness h;
        QWidget *window = c.open(h);
        ASSERT_NE(window, nullptr);
        expectTabWalk(window, c.prepare, c.order);
    }
}

TEST(KeyboardWalk, SpaceAndReturnPressTheFocusedButton)
{
    for (const WalkCase &c : kWalks) {
        if (!c.button)
            continue;
        SCOPED_TRACE(c.window);
        AppHarness h;
        QWidget *window = c.open(h);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        QPushButton *button = c.button(window);
        button->setFocus(Qt::TabFocusReason);
        QSignalSpy clicks(button, &QPushButton::clicked);
        QTest::keyClick(button, Qt::Key_Space);
        EXPECT_EQ(clicks.size(), 1);
        QTest::keyClick(button, Qt::Key_Return);
        EXPECT_EQ(clicks.size(), 2);
        QTest::keyClick(button, Qt::Key_Enter, Qt::KeypadModifier);
        EXPECT_EQ(clicks.size(), 3);
        EXPECT_TRUE(window->isVisible()); // not closed by a default button instead
    }
}

TEST(KeyboardWalk, ArrowKeysChooseTheOtherOptionsOfAGroup)
{
    AppHarness h;
    ProgrammerWindow *w = h.app().programmer();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    const struct { QRadioButton *from; Qt::Key key; QRadioButton *to; } cases[] = {
        {w->eightDataBits, Qt::Key_Down, w->sevenDataBits},
        {w->noParity, Qt::Key_Down, w->evenParity},
        {w->evenParity, Qt::Key_Down, w->oddParity},
        {w->oddParity, Qt::Key_Up, w->evenParity},
        {w->timeoutToDefaultOn, Qt::Key_Down, w->timeoutToDefaultOff},
        {w->dhcpButtons[1], Qt::Key_Down, w->dhcpButtons[0]},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.to->objectName().toStdString());
        c.from->setChecked(true);
        c.from->setFocus(Qt::TabFocusReason);
        QTest::keyClick(c.from, c.key);
        EXPECT_EQ(QApplication::focusWidget(), c.to);
        EXPECT_TRUE(c.to->isChecked());
        // The chosen option is now its group's Tab stop.
        EXPECT_TRUE(c.to->focusPolicy() & Qt::TabFocus);
        EXPECT_FALSE(c.from->focusPolicy() & Qt::TabFocus);
    }
}

// The device grid from the keyboard: Tab reaches it and leaves it, a row reached with the
// keys fills the editor as a click does, and a row that a discovery makes current does not.
TEST(KeyboardWalk, TheGridsRowsAreChosenWithTheKeys)
{
    AppHarness h;
    DiscoveryWindow *w = h.app().discovery();
    w->show();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    for (quint8 last : {0x51, 0x52, 0x53, 0x54})
        h.endpoint.injectReply(CmdDiscovery, encodeDiscoveryRecord(SampleDevice(last)));
    QLabel *chosen = w->destinationMacBytes[5];
    EXPECT_EQ(chosen->text(), "");
    EXPECT_FALSE(h.state().deviceSelected);

    w->exitButton->setFocus(Qt::TabFocusReason);
    QTest::keyClick(w->exitButton, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), w->deviceGrid);
    const struct { Qt::Key key; const char *row; } keys[] = {
        {Qt::Key_Space, "54"}, {Qt::Key_Up, "53"},  {Qt::Key_Home, "51"},   {Qt::Key_Down, "52"},
        {Qt::Key_End, "54"},   {Qt::Key_PageUp, "51"}, {Qt::Key_PageDown, "54"}, {Qt::Key_Home, "51"},
        {Qt::Key_Right, "51"}, {Qt::Key_Return, "51"},
    };
    for (const auto &k : keys) {
        // QTest::toString hands over a copy the caller deletes.
        SCOPED_TRACE(std::unique_ptr<char[]>(QTest::toString(k.key)).get());
        QTest::keyClick(w->deviceGrid, k.key);
        EXPECT_EQ(chosen->text(), k.row);
        EXPECT_TRUE(h.state().deviceSelected);
        EXPECT_EQ(w->macAddressBoxes[5]->text(), k.row);
    }
    // A new reply makes its row current without choosing it.
    h.endpoint.injectReply(CmdDiscovery, encodeDiscoveryRecord(SampleDevice(0x55)));
    EXPECT_EQ(chosen->text(), "51");
    // Tab leaves the grid.
    QTest::keyClick(w->deviceGrid, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), w->uploadSelectedButton);
    // A click still chooses its row.
    QTableView *grid = w->deviceGrid;
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(2, 0)).center());
    EXPECT_EQ(chosen->text(), "53");
}

TEST(KeyboardWalk, ReturnInALoginBoxPressesNoButton)
{
    AppHarness h;
    LoginDialog *d = h.app().login();
    d->show();
    d->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(d));
    d->passwordBox->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(d->passwordBox, QStringLiteral("secret1"));
    ASSERT_TRUE(d->loginButton->isEnabled());
    QSignalSpy clicks(d->loginButton, &QPushButton::clicked);
    QTest::keyClick(d->passwordBox, Qt::Key_Return);
    EXPECT_EQ(clicks.size(), 0);
    EXPECT_FALSE(h.state().loginRequested);
    // From the button itself, Return logs in.
    QTest::keyClick(d->passwordBox, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), d->loginButton);
    QTest::keyClick(d->loginButton, Qt::Key_Return);
    EXPECT_TRUE(h.state().loginRequested);
}

} // namespace
} // namespace qvx::test
