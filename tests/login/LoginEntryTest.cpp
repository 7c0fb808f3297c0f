// Typing into the login dialog: the key filter, pasted text, the buttons' enabling and the
// exclusion between the login part and the password-change part.
#include "LoginTestSupport.h"

#include <QClipboard>
#include <QGuiApplication>

namespace qvx::test {
namespace {

using LoginEntry = LoginDialogFixture;

TEST_F(LoginEntry, OpensModelessEmptyWithTwelveCharactersRoomAndBothButtonsOff)
{
    EXPECT_FALSE(dlg->isModal());
    for (QLineEdit *box : {dlg->passwordBox, dlg->newPasswordBox, dlg->oldPasswordBox}) {
        EXPECT_EQ(box->echoMode(), QLineEdit::Normal);
        EXPECT_TRUE(box->text().isEmpty());
        EXPECT_GE(box->width(), box->fontMetrics().horizontalAdvance(QStringLiteral("WWWWWWWWWWWW")));
    }
    EXPECT_LT(dlg->passwordBox->y(), dlg->newPasswordBox->y());
    EXPECT_LT(dlg->newPasswordBox->y(), dlg->oldPasswordBox->y());
    EXPECT_FALSE(dlg->loginButton->isEnabled());
    EXPECT_FALSE(dlg->setPasswordButton->isEnabled());
}

TEST_F(LoginEntry, SixCharactersEnableEachPartAndEmptyTheOther)
{
    type(dlg->passwordBox, "aB3dE");
    EXPECT_FALSE(dlg->loginButton->isEnabled());
    type(dlg->passwordBox, "9");
    EXPECT_EQ(dlg->passwordText, "aB3dE9");
    EXPECT_EQ(dlg->passwordLength, 6);
    EXPECT_TRUE(dlg->loginButton->isEnabled());

    // Five characters of a new password leave the login alone; the sixth empties it.
    type(dlg->newPasswordBox, "newpw");
    EXPECT_EQ(dlg->passwordBox->text(), "aB3dE9");
    type(dlg->newPasswordBox, "2");
    EXPECT_TRUE(dlg->passwordBox->text().isEmpty());
    EXPECT_TRUE(dlg->passwordText.isEmpty());
    EXPECT_FALSE(dlg->loginButton->isEnabled());
    EXPECT_TRUE(dlg->newPasswordReady);
    EXPECT_FALSE(dlg->setPasswordButton->isEnabled()) << "the old password is still missing";
    type(dlg->oldPasswordBox, "oldpw");
    EXPECT_FALSE(dlg->setPasswordButton->isEnabled());
    type(dlg->oldPasswordBox, "3");
    EXPECT_TRUE(dlg->setPasswordButton->isEnabled());

    // Shortening either password disables "Set" again.
    QTest::keyClick(dlg->newPasswordBox, Qt::Key_Backspace);
    EXPECT_FALSE(dlg->setPasswordButton->isEnabled());
    type(dlg->newPasswordBox, "x");
    EXPECT_TRUE(dlg->setPasswordButton->isEnabled());

    // Six login characters empty the change part.
    type(dlg->passwordBox, "again");
    EXPECT_EQ(dlg->newPasswordBox->text(), "newpwx");
    type(dlg->passwordBox, "7");
    EXPECT_TRUE(dlg->newPasswordBox->text().isEmpty());
    EXPECT_TRUE(dlg->oldPasswordBox->text().isEmpty());
    EXPECT_EQ(dlg->newPasswordLength + dlg->oldPasswordLength, 0);
    EXPECT_FALSE(dlg->newPasswordReady || dlg->oldPasswordReady);
    EXPECT_FALSE(dlg->setPasswordButton->isEnabled());
    EXPECT_TRUE(dlg->loginButton->isEnabled());

    // The old password alone also empties the login.
    type(dlg->oldPasswordBox, "oldpw1");
    EXPECT_TRUE(dlg->passwordBox->text().isEmpty());
    EXPECT_FALSE(dlg->loginButton->isEnabled());
    EXPECT_FALSE(dlg->setPasswordButton->isEnabled());
}

TEST_F(LoginEntry, TheKeyFilterLetsOnlyLettersAndDigitsThrough)
{
    const struct { const char *what; Qt::Key key; QString text; Qt::KeyboardModifiers mods; } refused[] = {
        {"space", Qt::Key_Space, " ", Qt::NoModifier},
        {"hyphen", Qt::Key_Minus, "-", Qt::NoModifier},
        {"underscore", Qt::Key_Underscore, "_", Qt::ShiftModifier},
        {"accented letter", Qt::Key_Eacute, QStringLiteral("\u00e9"), Qt::NoModifier},
        {"German sharp s", Qt::Key_ssharp, QStringLiteral("\u00df"), Qt::NoModifier},
        {"Cyrillic letter", Qt::Key_unknown, QStringLiteral("\u0416"), Qt::NoModifier},
        {"Arabic-Indic digit", Qt::Key_unknown, QStringLiteral("\u0663"), Qt::NoModifier},
        {"full-width letter", Qt::Key_unknown, QStringLiteral("\uff21"), Qt::NoModifier},
        {"Return", Qt::Key_Return, "\r", Qt::NoModifier},
        {"Escape", Qt::Key_Escape, "\x1b", Qt::NoModifier},
        {"Ctrl+B as a control character", Qt::Key_B, "\x02", Qt::ControlModifier},
        {"Ctrl+K as a letter", Qt::Key_K, "k", Qt::ControlModifier},
        {"Ctrl+U as a control character", Qt::Key_U, "\x15", Qt::ControlModifier},
        {"two characters at once", Qt::Key_unknown, "ab", Qt::NoModifier},
    };
    for (QLineEdit *box : {dlg->passwordBox, dlg->newPasswordBox, dlg->oldPasswordBox}) {
        for (const auto &k : refused) {
            SCOPED_TRACE(box->objectName().toStdString() + ": " + k.what);
            box->setText(QStringLiteral("abc12"));
            box->setCursorPosition(2);
            QTest::sendKeyEvent(QTest::Click, box, k.key, k.text, k.mods);
            EXPECT_EQ(box->text(), "abc12");
            EXPECT_TRUE(dlg->isVisible());
        }
        box->clear();

        // The thirteenth character is discarded, at the end or in the middle; Backspace
        // always works, and a keypad digit counts as a digit.
        type(box, "Ab3456789012Z");
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key_9, "9", Qt::KeypadModifier);
        QTest::keyClick(box, Qt::Key_Home);
        type(box, "Q");
        EXPECT_EQ(box->text(), "Ab3456789012");
        QTest::keyClick(box, Qt::Key_End);
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key_7, "7", Qt::KeypadModifier);
        EXPECT_EQ(box->text(), "Ab3456789017");
        box->clear();
    }
    EXPECT_FALSE(state().loginRequested);
    EXPECT_FALSE(state().passwordChangeRequested);
}

TEST_F(LoginEntry, EditingKeysSelectionsAndTabKeepWorking)
{
    QLineEdit *box = dlg->newPasswordBox;
    type(box, "abcd");
    QTest::keyClick(box, Qt::Key_Home);
    QTest::keyClick(box, Qt::Key_Right);
    type(box, "X");
    EXPECT_EQ(box->text(), "aXbcd");
    QTest::keyClick(box, Qt::Key_Left);
    QTest::keyClick(box, Qt::Key_Delete);
    EXPECT_EQ(box->text(), "abcd");
    QTest::keyClick(box, Qt::Key_End);
    QTest::keyClick(box, Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(box, Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(box->selectedText(), "cd");
    QTest::keyClick(box, Qt::Key_Backspace);
    EXPECT_EQ(box->text(), "ab");
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(box->selectedText(), "ab");

    // A typed character replacing a selection of a full box is fine; with everything
    // selected it starts the password anew.
    box = dlg->passwordBox;
    type(box, "abcdefghijkl");
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(box, Qt::Key_Left, Qt::ShiftModifier);
    type(box, "Z12");
    EXPECT_EQ(box->text(), "abcdefghiZ12");
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    type(box, "q");
    EXPECT_EQ(box->text(), "q");

    // Return does not submit; Tab moves on.
    type(box, "secret");
    QTest::keyClick(box, Qt::Key_Return);
    QTest::keyClick(box, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_FALSE(state().loginRequested);
    dlg->newPasswordBox->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg->newPasswordBox->hasFocus(); }));
    QTest::keyClick(dlg->newPasswordBox, Qt::Key_Tab);
    EXPECT_TRUE(QTest::qWaitFor([&] { return dlg->oldPasswordBox->hasFocus(); }));
}

TEST_F(LoginEntry, InsertedTextKeepsOnlyPasswordCharacters)
{
    const struct { const char *what; QString inserted, kept; } cases[] = {
        {"clean", "Pass1234", "Pass1234"},
        {"blanks and punctuation", " my-pass word!", "mypassword"},
        {"accents and symbols", QStringLiteral("caf\u00e9\u20ac42\u00b2"), "caf42"},
        {"control characters", QStringLiteral("ab\tc\nd\x01" "e\x7f" "f"), "abcdef"},
        {"longer than twelve", "abcdefghijklmnopqrstuvwxyz", "abcdefghijkl"},
        {"long and dirty", "a-b-c-d-e-f-g-h-i-j-k-l-m-n", "abcdefghijkl"},
        {"nothing usable", "  --  ", ""},
    };
    for (QLineEdit *box : {dlg->passwordBox, dlg->newPasswordBox, dlg->oldPasswordBox}) {
        for (const auto &c : cases) {
            SCOPED_TRACE(box->objectName().toStdString() + ": " + c.what);
            box->clear();
            QGuiApplication::clipboard()->setText(c.inserted);
            box->paste(); // as the context menu's "Paste" does
            EXPECT_EQ(box->text(), c.kept);
            box->clear();
            QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
            EXPECT_EQ(box->text(), c.kept);
            box->setText(c.inserted);
            EXPECT_EQ(box->text(), c.kept);
        }
        box->clear();
    }

    // Into existing text: twelve at most, and the cursor follows.
    QLineEdit *box = dlg->newPasswordBox;
    type(box, "abcdef");
    box->setCursorPosition(3);
    box->insert(QStringLiteral("1 2-3"));
    EXPECT_EQ(box->text(), "abc123def");
    EXPECT_EQ(box->cursorPosition(), 6);
    EXPECT_EQ(dlg->newPasswordLength, 9);
    box->insert(QStringLiteral("XYZUVW"));
    EXPECT_EQ(box->text(), "abc123XYZUVW");
    EXPECT_EQ(dlg->newPasswordText, "abc123XYZUVW");
}

TEST(loginPasswordCodes, StoredAsTwelveCharactersPaddedOnTheLeft)
{
    const std::pair<QString, QByteArray> cases[] = {
        {"abc123", "      abc123"}, {"Abcdefghijk", " Abcdefghijk"}, {"ABCDEFGHIJ12", "ABCDEFGHIJ12"},
        {"ABCDEFGHIJ1234", "ABCDEFGHIJ12"}, {"", "            "},
    };
    for (const auto &[password, stored] : cases) {
        LoginDialog::PasswordCodes expected{};
        for (int i = 0; i < 12; ++i)
            expected[std::size_t(i)] = quint8(stored[i]);
        EXPECT_EQ(LoginDialog::toPasswordCodes(password), expected) << password.toStdString();
    }
}

} // namespace
} // namespace qvx::test
