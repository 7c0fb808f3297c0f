// Typing into the login dialog: the controls, the key filter, pasted text, the buttons'
// enabling and the exclusion between the login part and the password-change part.
#include "LoginTestSupport.h"

#include <QClipboard>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>

namespace qvx::test {
namespace {

using LoginEntryTest = LoginDialogFixture;

TEST_F(LoginEntryTest, ControlsCarryTheirNamesAndCaptions)
{
    EXPECT_EQ(dlg->objectName(), "frm02Login");
    EXPECT_EQ(dlg->windowTitle(), "Login");
    EXPECT_FALSE(dlg->isModal());

    const struct {
        QWidget *widget;
        const char *name;
        const char *caption;
    } controls[] = {
        {dlg->lblDigitPassword, "lblDigitPassword", "Digit Password:"},
        {dlg->cmdEseguiLogin, "cmdEseguiLogin", "Login"},
        {dlg->Label2, "Label2", "New Password:"},
        {dlg->cmdImpostaNewPassword, "cmdImpostaNewPassword", "Set"},
        {dlg->Label3, "Label3", "Old Password:"},
    };
    for (const auto &c : controls) {
        SCOPED_TRACE(c.name);
        ASSERT_NE(c.widget, nullptr);
        EXPECT_EQ(c.widget->objectName(), c.name);
        EXPECT_EQ(dlg->findChild<QWidget *>(c.name), c.widget);
        const auto *label = qobject_cast<QLabel *>(c.widget);
        const auto *button = qobject_cast<QPushButton *>(c.widget);
        EXPECT_EQ(label ? label->text() : button->text(), c.caption);
        // Every caption shows whole.
        EXPECT_GE(c.widget->width(), c.widget->sizeHint().width());
    }

    ASSERT_NE(dlg->Line1, nullptr);
    EXPECT_EQ(dlg->Line1->objectName(), "Line1");
    EXPECT_EQ(dlg->Line1->frameShape(), QFrame::HLine);

    const struct {
        QLineEdit *box;
        const char *name;
        const char *accessible;
    } boxes[] = {
        {dlg->txtPassword, "txtPassword", "Digit Password"},
        {dlg->txtNewPassword, "txtNewPassword", "New Password"},
        {dlg->txtOldPassword, "txtOldPassword", "Old Password"},
    };
    for (const auto &b : boxes) {
        SCOPED_TRACE(b.name);
        ASSERT_NE(b.box, nullptr);
        EXPECT_EQ(b.box->objectName(), b.name);
        EXPECT_EQ(b.box->accessibleName(), b.accessible);
        EXPECT_EQ(b.box->echoMode(), QLineEdit::Normal);
        EXPECT_TRUE(b.box->text().isEmpty());
        // Twelve wide characters fit.
        EXPECT_GE(b.box->width(), b.box->fontMetrics().horizontalAdvance(QStringLiteral("WWWWWWWWWWWW")));
    }

    // Top to bottom in the order the user works through them.
    EXPECT_LT(dlg->txtPassword->y(), dlg->Line1->y());
    EXPECT_LT(dlg->Line1->y(), dlg->txtNewPassword->y());
    EXPECT_LT(dlg->txtNewPassword->y(), dlg->txtOldPassword->y());
    EXPECT_FALSE(dlg->cmdEseguiLogin->isEnabled());
    EXPECT_FALSE(dlg->cmdImpostaNewPassword->isEnabled());
}

TEST_F(LoginEntryTest, LoginEnablesAtTheSixthCharacter)
{
    type(dlg->txtPassword, "aB3dE");
    EXPECT_EQ(dlg->PasswordLength, 5);
    EXPECT_FALSE(dlg->cmdEseguiLogin->isEnabled());

    type(dlg->txtPassword, "9");
    EXPECT_EQ(dlg->PasswordText, "aB3dE9");
    EXPECT_EQ(dlg->PasswordLength, 6);
    EXPECT_TRUE(dlg->cmdEseguiLogin->isEnabled());

    QTest::keyClick(dlg->txtPassword, Qt::Key_Backspace);
    EXPECT_EQ(dlg->PasswordText, "aB3dE");
    EXPECT_FALSE(dlg->cmdEseguiLogin->isEnabled());
}

TEST_F(LoginEntryTest, TheTwoPartsExcludeEachOther)
{
    type(dlg->txtPassword, "login1");
    ASSERT_TRUE(dlg->cmdEseguiLogin->isEnabled());

    // Five characters of a new password leave the login alone; the sixth empties it.
    type(dlg->txtNewPassword, "newpw");
    EXPECT_EQ(dlg->txtPassword->text(), "login1");
    type(dlg->txtNewPassword, "2");
    EXPECT_TRUE(dlg->txtPassword->text().isEmpty());
    EXPECT_TRUE(dlg->PasswordText.isEmpty());
    EXPECT_EQ(dlg->PasswordLength, 0);
    EXPECT_FALSE(dlg->cmdEseguiLogin->isEnabled());
    EXPECT_TRUE(dlg->NewPasswordReady);
    EXPECT_FALSE(dlg->cmdImpostaNewPassword->isEnabled()) << "the old password is still missing";

    type(dlg->txtOldPassword, "oldpw");
    EXPECT_FALSE(dlg->cmdImpostaNewPassword->isEnabled());
    type(dlg->txtOldPassword, "3");
    EXPECT_TRUE(dlg->OldPasswordReady);
    EXPECT_TRUE(dlg->cmdImpostaNewPassword->isEnabled());

    // Shortening either password disables "Set" again.
    QTest::keyClick(dlg->txtNewPassword, Qt::Key_Backspace);
    EXPECT_FALSE(dlg->cmdImpostaNewPassword->isEnabled());
    type(dlg->txtNewPassword, "x");
    EXPECT_TRUE(dlg->cmdImpostaNewPassword->isEnabled());

    // Six login characters empty the change part.
    type(dlg->txtPassword, "again");
    EXPECT_EQ(dlg->txtNewPassword->text(), "newpwx");
    type(dlg->txtPassword, "7");
    EXPECT_TRUE(dlg->txtNewPassword->text().isEmpty());
    EXPECT_TRUE(dlg->txtOldPassword->text().isEmpty());
    EXPECT_EQ(dlg->NewPasswordLength, 0);
    EXPECT_EQ(dlg->OldPasswordLength, 0);
    EXPECT_FALSE(dlg->NewPasswordReady);
    EXPECT_FALSE(dlg->OldPasswordReady);
    EXPECT_FALSE(dlg->cmdImpostaNewPassword->isEnabled());
    EXPECT_TRUE(dlg->cmdEseguiLogin->isEnabled());
    EXPECT_EQ(dlg->PasswordText, "again7");
}

TEST_F(LoginEntryTest, TheOldPasswordAloneAlsoEmptiesTheLogin)
{
    type(dlg->txtPassword, "login1");
    type(dlg->txtOldPassword, "oldpw1");
    EXPECT_TRUE(dlg->txtPassword->text().isEmpty());
    EXPECT_FALSE(dlg->cmdEseguiLogin->isEnabled());
    EXPECT_FALSE(dlg->cmdImpostaNewPassword->isEnabled());
}

TEST_F(LoginEntryTest, OnlyLettersAndDigitsAreTyped)
{
    const struct {
        const char *what;
        Qt::Key key;
        QString text;
        Qt::KeyboardModifiers mods;
    } refused[] = {
        {"space", Qt::Key_Space, QStringLiteral(" "), Qt::NoModifier},
        {"hyphen", Qt::Key_Minus, QStringLiteral("-"), Qt::NoModifier},
        {"underscore", Qt::Key_Underscore, QStringLiteral("_"), Qt::ShiftModifier},
        {"accented letter", Qt::Key_Eacute, QStringLiteral("\u00e9"), Qt::NoModifier},
        {"German sharp s", Qt::Key_ssharp, QStringLiteral("\u00df"), Qt::NoModifier},
        {"Cyrillic letter", Qt::Key_unknown, QStringLiteral("\u0416"), Qt::NoModifier},
        {"Arabic-Indic digit", Qt::Key_unknown, QStringLiteral("\u0663"), Qt::NoModifier},
        {"full-width letter", Qt::Key_unknown, QStringLiteral("\uff21"), Qt::NoModifier},
        {"Return", Qt::Key_Return, QStringLiteral("\r"), Qt::NoModifier},
        {"Escape", Qt::Key_Escape, QStringLiteral("\x1b"), Qt::NoModifier},
        {"Ctrl+B as a control character", Qt::Key_B, QStringLiteral("\x02"), Qt::ControlModifier},
        {"Ctrl+K as a letter", Qt::Key_K, QStringLiteral("k"), Qt::ControlModifier},
        {"Ctrl+U as a control character", Qt::Key_U, QStringLiteral("\x15"), Qt::ControlModifier},
        {"two characters at once", Qt::Key_unknown, QStringLiteral("ab"), Qt::NoModifier},
    };

    for (QLineEdit *box : {dlg->txtPassword, dlg->txtNewPassword, dlg->txtOldPassword}) {
        for (const auto &k : refused) {
            SCOPED_TRACE(box->objectName().toStdString() + ": " + k.what);
            box->setText(QStringLiteral("abc12"));
            box->setCursorPosition(2);
            sendKey(box, k.key, k.text, k.mods);
            EXPECT_EQ(box->text(), "abc12");
            EXPECT_TRUE(dlg->isVisible());
        }
        box->clear();
    }
    EXPECT_FALSE(state().LoginRequested);
    EXPECT_FALSE(state().PasswordChangeRequested);
}

TEST_F(LoginEntryTest, TheThirteenthCharacterIsDiscardedAndBackspaceAlwaysWorks)
{
    for (QLineEdit *box : {dlg->txtPassword, dlg->txtNewPassword, dlg->txtOldPassword}) {
        SCOPED_TRACE(box->objectName().toStdString());
        type(box, "Ab3456789012");
        ASSERT_EQ(box->text(), "Ab3456789012");
        type(box, "Z");
        sendKey(box, Qt::Key_9, QStringLiteral("9"), Qt::KeypadModifier);
        EXPECT_EQ(box->text(), "Ab3456789012");

        // Also in the middle of the text.
        QTest::keyClick(box, Qt::Key_Home);
        type(box, "Q");
        EXPECT_EQ(box->text(), "Ab3456789012");

        QTest::keyClick(box, Qt::Key_End);
        QTest::keyClick(box, Qt::Key_Backspace);
        EXPECT_EQ(box->text(), "Ab345678901");
        sendKey(box, Qt::Key_7, QStringLiteral("7"), Qt::KeypadModifier);
        EXPECT_EQ(box->text(), "Ab3456789017");
        box->clear();
    }
}

TEST_F(LoginEntryTest, CursorAndEditingKeysKeepWorking)
{
    QLineEdit *box = dlg->txtNewPassword;
    type(box, "abcd");

    QTest::keyClick(box, Qt::Key_Home);
    EXPECT_EQ(box->cursorPosition(), 0);
    QTest::keyClick(box, Qt::Key_Right);
    EXPECT_EQ(box->cursorPosition(), 1);
    type(box, "X");
    EXPECT_EQ(box->text(), "aXbcd");
    QTest::keyClick(box, Qt::Key_Left);
    QTest::keyClick(box, Qt::Key_Delete);
    EXPECT_EQ(box->text(), "abcd");
    QTest::keyClick(box, Qt::Key_End);
    EXPECT_EQ(box->cursorPosition(), 4);

    QTest::keyClick(box, Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(box, Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(box->selectedText(), "cd");
    QTest::keyClick(box, Qt::Key_Backspace);
    EXPECT_EQ(box->text(), "ab");

    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(box->selectedText(), "ab");

    // Tab moves on to the old password.
    box->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return box->hasFocus(); }));
    QTest::keyClick(box, Qt::Key_Tab);
    EXPECT_TRUE(QTest::qWaitFor([&] { return dlg->txtOldPassword->hasFocus(); }));
    EXPECT_EQ(box->text(), "ab");
}

TEST_F(LoginEntryTest, ATypedCharacterReplacingASelectionRespectsTheLimit)
{
    QLineEdit *box = dlg->txtPassword;
    type(box, "abcdefghijkl");

    // Replacing three selected characters of a full box is fine.
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(box, Qt::Key_Left, Qt::ShiftModifier);
    type(box, "Z");
    EXPECT_EQ(box->text(), "abcdefghiZ");

    type(box, "12");
    EXPECT_EQ(box->text(), "abcdefghiZ12");

    // The whole text selected: the key starts the password anew.
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    type(box, "q");
    EXPECT_EQ(box->text(), "q");
}

TEST_F(LoginEntryTest, InsertedTextKeepsOnlyPasswordCharacters)
{
    const struct {
        const char *what;
        QString inserted;
        QString kept;
    } cases[] = {
        {"clean", QStringLiteral("Pass1234"), QStringLiteral("Pass1234")},
        {"blanks and punctuation", QStringLiteral(" my-pass word!"), QStringLiteral("mypassword")},
        {"accents and symbols", QStringLiteral("caf\u00e9\u20ac42\u00b2"), QStringLiteral("caf42")},
        {"control characters", QStringLiteral("ab\tc\nd\x01" "e\x7f" "f"), QStringLiteral("abcdef")},
        {"longer than twelve", QStringLiteral("abcdefghijklmnopqrstuvwxyz"), QStringLiteral("abcdefghijkl")},
        {"long and dirty", QStringLiteral("a-b-c-d-e-f-g-h-i-j-k-l-m-n"), QStringLiteral("abcdefghijkl")},
        {"nothing usable", QStringLiteral("  --  "), QString()},
    };

    for (QLineEdit *box : {dlg->txtPassword, dlg->txtNewPassword, dlg->txtOldPassword}) {
        for (const auto &c : cases) {
            SCOPED_TRACE(box->objectName().toStdString() + ": " + c.what);

            // Through the clipboard, as the context menu's "Paste" does.
            box->clear();
            QGuiApplication::clipboard()->setText(c.inserted);
            box->paste();
            EXPECT_EQ(box->text(), c.kept);

            // Through the keyboard's paste.
            box->clear();
            QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
            EXPECT_EQ(box->text(), c.kept);

            // Set by the program.
            box->setText(c.inserted);
            EXPECT_EQ(box->text(), c.kept);
        }
        box->clear();
    }
}

TEST_F(LoginEntryTest, PastingIntoExistingTextKeepsTwelveAndTheCursorFollows)
{
    QLineEdit *box = dlg->txtNewPassword;
    type(box, "abcdef");
    box->setCursorPosition(3);
    box->insert(QStringLiteral("1 2-3"));
    EXPECT_EQ(box->text(), "abc123def");
    EXPECT_EQ(box->cursorPosition(), 6);
    EXPECT_EQ(dlg->NewPasswordText, "abc123def");
    EXPECT_EQ(dlg->NewPasswordLength, 9);

    box->insert(QStringLiteral("XYZUVW"));
    EXPECT_EQ(box->text(), "abc123XYZUVW");
    EXPECT_EQ(dlg->NewPasswordLength, 12);
}

TEST_F(LoginEntryTest, ReturnDoesNotSubmit)
{
    type(dlg->txtPassword, "secret1");
    ASSERT_TRUE(dlg->cmdEseguiLogin->isEnabled());
    QTest::keyClick(dlg->txtPassword, Qt::Key_Return);
    QTest::keyClick(dlg->txtPassword, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_FALSE(state().LoginRequested);
}

TEST(LoginPasswordCodes, StoredAsTwelveCharactersPaddedOnTheLeft)
{
    const struct {
        QString password;
        QByteArray stored;
    } cases[] = {
        {QStringLiteral("abc123"), QByteArray("      abc123")},
        {QStringLiteral("Abcdefghijk"), QByteArray(" Abcdefghijk")},
        {QStringLiteral("ABCDEFGHIJ12"), QByteArray("ABCDEFGHIJ12")},
        {QStringLiteral("ABCDEFGHIJ1234"), QByteArray("ABCDEFGHIJ12")},
        {QString(), QByteArray("            ")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.password.toStdString());
        const frm02Login::PasswordCodes codes = frm02Login::ToPasswordCodes(c.password);
        ASSERT_EQ(c.stored.size(), 12);
        for (int i = 0; i < 12; ++i)
            EXPECT_EQ(codes[static_cast<std::size_t>(i)], static_cast<quint8>(c.stored[i])) << "at " << i;
    }
}

} // namespace
} // namespace qvx::test
