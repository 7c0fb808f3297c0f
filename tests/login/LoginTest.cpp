// The login dialog: what it lets into its boxes, the exclusion between a login and a password
// change, its resets, and the frames the programmer window sends for it.
#include "AppHarness.h"
#include "Samples.h"

#include "login/LoginDialog.h"
#include "programmer/ProgrammerWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace qvx::test {
namespace {

// Waits until the widget's window is the application's active window. (A window counts as
// active for QWindow::isActive while its transient dialog has the focus, so
// QTest::qWaitForWindowActive would not tell the two apart.)
bool WaitActive(QWidget *w)
{
    QWidget *window = w->window();
    return QTest::qWaitFor([window] { return QApplication::activeWindow() == window; });
}

// The whole program on test doubles with the login dialog shown and active, as after a
// click on the programmer window's "Login".
class Login : public ::testing::Test {
public:
    void SetUp() override { open(true); }

    void open(bool showProgrammer)
    {
        h = std::make_unique<AppHarness>(true, showProgrammer);
        dlg = h->app().login();
        dlg->show();
        ASSERT_TRUE(WaitActive(dlg));
        password = Find<QLineEdit>(dlg, "txtPassword");
        newPassword = Find<QLineEdit>(dlg, "txtNewPassword");
        oldPassword = Find<QLineEdit>(dlg, "txtOldPassword");
        loginButton = Find<QPushButton>(dlg, "cmdEseguiLogin");
        setButton = Find<QPushButton>(dlg, "cmdImpostaNewPassword");
    }

    // Hides the dialog and shows it again from the programmer window, as its "Login" does.
    void reopen()
    {
        dlg->hide();
        ProgrammerWindow *programmer = h->app().programmer();
        programmer->show();
        programmer->activateWindow();
        ASSERT_TRUE(WaitActive(programmer));
        dlg->show();
        ASSERT_TRUE(WaitActive(dlg));
    }

    std::unique_ptr<AppHarness> h;
    LoginDialog *dlg = nullptr;
    QLineEdit *password = nullptr, *newPassword = nullptr, *oldPassword = nullptr;
    QPushButton *loginButton = nullptr, *setButton = nullptr;
};

// The programmer window sends each request once it is active again (the session test has a
// login so), or on the next pass of the event loop when it is hidden and never activated.
TEST_F(Login, EachRequestLeavesOnceWithItsPaddedPasswords)
{
    const struct { QList<std::pair<const char *, const char *>> typed; const char *button; QByteArray request; } cases[] = {
        {{{"txtPassword", "Abc123"}}, "cmdEseguiLogin", RequestBytes(100, "      Abc123")},
        {{{"txtNewPassword", "NewPass2024"}, {"txtOldPassword", "old123"}}, "cmdImpostaNewPassword",
         RequestBytes(101, "      old123 NewPass2024")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.button);
        open(false);
        for (const auto &[box, text] : c.typed)
            QTest::keyClicks(Find<QLineEdit>(dlg, box), text);
        QTest::mouseClick(Find<QPushButton>(dlg, c.button), Qt::LeftButton);
        EXPECT_FALSE(dlg->isVisible());
        QTest::qWait(10);
        EXPECT_EQ(h->endpoint.frames(), QList<QByteArray>{c.request});
    }
    // Closing the dialog sends nothing.
    open(true);
    QTest::keyClicks(password, "qwerty");
    dlg->close();
    QTest::qWait(10);
    EXPECT_TRUE(h->endpoint.sent.isEmpty());
}

// Six characters enable a part and empty the other one, step by step: what each box then
// holds (login, new, old) and whether "Login" and "Set" are enabled.
TEST_F(Login, SixCharactersEnableEachPartAndEmptyTheOther)
{
    const struct { QLineEdit *Login::*box; const char *keys, *texts; bool login, set; } steps[] = {
        {&Login::password, "aB3dE", "aB3dE  ", false, false},
        {&Login::password, "9", "aB3dE9  ", true, false},
        {&Login::newPassword, "newpw", "aB3dE9 newpw ", true, false},
        {&Login::newPassword, "2", " newpw2 ", false, false}, // the old password is still missing
        {&Login::oldPassword, "oldpw", " newpw2 oldpw", false, false},
        {&Login::oldPassword, "3", " newpw2 oldpw3", false, true},
        {&Login::newPassword, "\b", " newpw oldpw3", false, false},
        {&Login::newPassword, "x", " newpwx oldpw3", false, true},
        {&Login::password, "again", "again newpwx oldpw3", false, true},
        {&Login::password, "7", "again7  ", true, false},
        {&Login::oldPassword, "oldpw1", "  oldpw1", false, false}, // the old password alone
    };
    for (const auto &step : steps) {
        QTest::keyClicks(this->*step.box, step.keys);
        const QString texts = QStringList{password->text(), newPassword->text(), oldPassword->text()}.join(' ');
        EXPECT_EQ(texts, step.texts) << "after " << step.keys;
        EXPECT_EQ(loginButton->isEnabled(), step.login) << "after " << step.keys;
        EXPECT_EQ(setButton->isEnabled(), step.set) << "after " << step.keys;
    }
}

// Typed or inserted (pasted, or set by the program), only letters and digits, twelve at most.
TEST_F(Login, TheBoxesKeepOnlyLettersAndDigitsAndTwelveAtMost)
{
    const struct { const char *what; QString inserted, kept; } inserted[] = {
        {"blanks and punctuation", " my-pass word!", "mypassword"},
        {"accents, symbols and control characters", QStringLiteral("caf\u00e9\u20ac42\u00b2\t\x01\x7f"), "caf42"},
        {"longer than twelve", "a-b-c-d-e-f-g-h-i-j-k-l-m-n", "abcdefghijkl"},
        {"nothing usable", "  --  ", ""},
    };
    for (QLineEdit *box : {password, newPassword, oldPassword}) {
        SCOPED_TRACE(box->objectName().toStdString());
        for (const auto &c : inserted) {
            box->clear();
            QGuiApplication::clipboard()->setText(c.inserted);
            QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
            EXPECT_EQ(box->text(), c.kept) << c.what;
            box->setText(c.inserted);
            EXPECT_EQ(box->text(), c.kept) << c.what;
        }
        // A key that the cleaning above would let through: two characters in one key event.
        box->setText(QStringLiteral("abc12"));
        box->setCursorPosition(2);
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, "ab", Qt::NoModifier);
        EXPECT_EQ(box->text(), "abc12");
        // The thirteenth character is discarded, at the end or in the middle; Backspace
        // always works; a keypad digit is a digit; typing over a selection of a full box works.
        box->clear();
        QTest::keyClicks(box, "Ab3456789012Z");
        QTest::keyClick(box, Qt::Key_Home);
        QTest::keyClicks(box, "Q");
        EXPECT_EQ(box->text(), "Ab3456789012");
        QTest::keyClick(box, Qt::Key_End);
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key_7, "7", Qt::KeypadModifier);
        EXPECT_EQ(box->text(), "Ab3456789017");
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(box, Qt::Key_Left, Qt::ShiftModifier);
        QTest::keyClicks(box, "Z12");
        EXPECT_EQ(box->text(), "Ab3456789Z12");
        box->clear();
    }
    // Into existing text: twelve at most, and the cursor follows.
    newPassword->setText("abcdef");
    newPassword->setCursorPosition(3);
    newPassword->insert(QStringLiteral("1 2-3"));
    EXPECT_EQ(newPassword->text(), "abc123def");
    EXPECT_EQ(newPassword->cursorPosition(), 6);
    newPassword->insert(QStringLiteral("XYZUVW"));
    EXPECT_EQ(newPassword->text(), "abc123XYZUVW");
    EXPECT_TRUE(h->endpoint.sent.isEmpty());
}

TEST_F(Login, EveryActivationStartsAfreshAndLoggedInOnlyThePasswordChangeIsOffered)
{
    QTest::keyClicks(newPassword, "newpw1");
    QTest::keyClicks(oldPassword, "oldpw1");
    ASSERT_TRUE(setButton->isEnabled());
    reopen();
    for (QLineEdit *box : {password, newPassword, oldPassword})
        EXPECT_TRUE(box->text().isEmpty()) << box->objectName().toStdString();
    EXPECT_FALSE(loginButton->isEnabled() || setButton->isEnabled());
    EXPECT_TRUE(QTest::qWaitFor([&] { return password->hasFocus(); }));
    EXPECT_EQ(h->app().login(), dlg); // the same dialog, only hidden and shown again

    QWidget *caption = Find<QLabel>(dlg, "lblDigitPassword");
    h->state().loggedIn = true;
    reopen();
    EXPECT_FALSE(caption->isVisible() || password->isVisible() || loginButton->isVisible());
    EXPECT_TRUE(newPassword->isVisible() && oldPassword->isVisible() && setButton->isVisible());
    h->state().loggedIn = false;
    reopen();
    EXPECT_TRUE(caption->isVisible() && password->isVisible() && loginButton->isVisible());
}

} // namespace
} // namespace qvx::test
