// Every window from the keyboard alone: Tab visits every control once, in reading order, and
// comes back around; Space and Return press the focused button. Options of one group are one
// Tab stop (the one last chosen), and the arrow keys move between them, as on every desktop.
#include "AccessibilityTestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>

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

TEST(KeyboardWalk, TabVisitsEveryControlOnceInReadingOrderAndComesBackAround)
{
    for (const ProgramWindow &c : kProgramWindows) {
        SCOPED_TRACE(c.title);
        AppHarness h;
        QWidget *window = openActive(h, c);
        ASSERT_NE(window, nullptr);
        if (c.prepare)
            c.prepare(h, window);
        expectTabWalk(named(window, c.order));
    }
}

TEST(KeyboardWalk, SpaceAndReturnPressTheFocusedButton)
{
    for (const ProgramWindow &c : kProgramWindows) {
        if (!c.button)
            continue;
        SCOPED_TRACE(c.title);
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
    QWidget *w = openActive(h, kProgramWindows[0]);
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
    // A click still chooses its row.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(2, 0)).center());
    EXPECT_EQ(chosen->text(), "53");
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
