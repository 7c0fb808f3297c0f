// The login dialog's resets on load and activation, and the hand-over of a login or a
// password change to the programmer window, which puts the frame on the wire.
#include "LoginTestSupport.h"

#include "protocol/Frame.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>

namespace qvx::test {
namespace {

// Lets every queued event and zero-delay timer run, without waiting for time to pass.
void drainEvents()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

QList<Frame> requestsWithCommand(const FakeEndpoint &endpoint, quint8 cmd)
{
    QList<Frame> out;
    for (const QByteArray &datagram : endpoint.frames()) {
        const std::optional<Frame> frame = RecognizeRequest(datagram);
        if (frame && frame->cmd == cmd)
            out.append(*frame);
    }
    return out;
}

class LoginHandOverTest : public LoginDialogFixture {
protected:
    // Waits until the request has left and the programmer window has had every chance to
    // send it again: its activation and the dialog's fallback have both run.
    QList<Frame> handedOver(quint8 cmd, bool expectActivation)
    {
        EXPECT_TRUE(QTest::qWaitFor([&] { return !requestsWithCommand(endpoint(), cmd).isEmpty(); }))
            << "no frame " << int(cmd) << " left";
        if (expectActivation) {
            EXPECT_TRUE(waitActive(programmer()));
        }
        drainEvents();
        EXPECT_FALSE(state().LoginRequested);
        EXPECT_FALSE(state().PasswordChangeRequested);
        return requestsWithCommand(endpoint(), cmd);
    }
};

TEST_F(LoginHandOverTest, LoginStoresThePaddedPasswordAndOneFrameLeaves)
{
    endpoint().clearSent();
    type(dlg->txtPassword, "Abc123");
    QTest::mouseClick(dlg->cmdEseguiLogin, Qt::LeftButton);

    EXPECT_FALSE(dlg->isVisible());
    const frm02Login::PasswordCodes expected{' ', ' ', ' ', ' ', ' ', ' ', 'A', 'b', 'c', '1', '2', '3'};
    EXPECT_EQ(state().LoginPasswordCodes, expected);
    EXPECT_FALSE(state().PasswordChangeRequested);

    const QList<Frame> logins = handedOver(100, true);
    ASSERT_EQ(logins.size(), 1);
    EXPECT_EQ(logins.first().data, QByteArray("      Abc123"));
    EXPECT_EQ(requestsWithCommand(endpoint(), 101).size(), 0);
}

TEST_F(LoginHandOverTest, PastedLoginIsSentCleanAndFitsOneByteACharacter)
{
    endpoint().clearSent();
    dlg->txtPassword->insert(QStringLiteral("p\u00e4ss w\u00f6rd-12345678"));
    QTest::mouseClick(dlg->cmdEseguiLogin, Qt::LeftButton);

    const QList<Frame> logins = handedOver(100, true);
    ASSERT_EQ(logins.size(), 1);
    EXPECT_EQ(logins.first().data, QByteArray("psswrd123456"));
}

TEST_F(LoginHandOverTest, PasswordChangeSendsTheOldThenTheNewPassword)
{
    endpoint().clearSent();
    type(dlg->txtNewPassword, "NewPass2024");
    type(dlg->txtOldPassword, "old123");
    QTest::mouseClick(dlg->cmdImpostaNewPassword, Qt::LeftButton);

    EXPECT_FALSE(dlg->isVisible());
    EXPECT_FALSE(state().LoginRequested);

    const QList<Frame> changes = handedOver(101, true);
    ASSERT_EQ(changes.size(), 1);
    EXPECT_EQ(changes.first().data, QByteArray("      old123 NewPass2024"));
    EXPECT_EQ(requestsWithCommand(endpoint(), 100).size(), 0);
}

TEST_F(LoginHandOverTest, AnActivationBeforeTheFallbackSendsOnce)
{
    endpoint().clearSent();
    type(dlg->txtPassword, "qwerty");
    QTest::mouseClick(dlg->cmdEseguiLogin, Qt::LeftButton);
    // The window manager hands activation back at once, before the dialog's fallback runs.
    programmer()->Form_Activate();

    EXPECT_EQ(handedOver(100, true).size(), 1);
}

TEST_F(LoginHandOverTest, ClosingTheDialogRequestsNothing)
{
    endpoint().clearSent();
    type(dlg->txtPassword, "qwerty");
    dlg->close();
    drainEvents();
    EXPECT_FALSE(state().LoginRequested);
    EXPECT_FALSE(state().PasswordChangeRequested);
    EXPECT_TRUE(requestsWithCommand(endpoint(), 100).isEmpty());
}

// A window manager that never gives the programmer window activation back: here the
// programmer window is not even shown, so it cannot become active.
class LoginWithoutActivationTest : public LoginHandOverTest {
protected:
    bool showProgrammer() const override { return false; }
};

TEST_F(LoginWithoutActivationTest, TheLoginStillLeavesOnce)
{
    endpoint().clearSent();
    type(dlg->txtPassword, "Abc123");
    QTest::mouseClick(dlg->cmdEseguiLogin, Qt::LeftButton);

    const QList<Frame> logins = handedOver(100, false);
    ASSERT_EQ(logins.size(), 1);
    EXPECT_EQ(logins.first().data, QByteArray("      Abc123"));
}

TEST_F(LoginWithoutActivationTest, ThePasswordChangeStillLeavesOnce)
{
    endpoint().clearSent();
    type(dlg->txtOldPassword, "old123");
    type(dlg->txtNewPassword, "new456");
    QTest::mouseClick(dlg->cmdImpostaNewPassword, Qt::LeftButton);

    const QList<Frame> changes = handedOver(101, false);
    ASSERT_EQ(changes.size(), 1);
    EXPECT_EQ(changes.first().data, QByteArray("      old123      new456"));
}

using LoginResetTest = LoginDialogFixture;

TEST_F(LoginResetTest, LoggedOutOffersBothPartsWithTheFocusOnThePassword)
{
    EXPECT_TRUE(dlg->lblDigitPassword->isVisible());
    EXPECT_TRUE(dlg->txtPassword->isVisible());
    EXPECT_TRUE(dlg->cmdEseguiLogin->isVisible());
    EXPECT_TRUE(dlg->Label2->isVisible());
    EXPECT_TRUE(dlg->txtNewPassword->isVisible());
    EXPECT_TRUE(dlg->cmdImpostaNewPassword->isVisible());
    EXPECT_TRUE(dlg->Label3->isVisible());
    EXPECT_TRUE(dlg->txtOldPassword->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return dlg->txtPassword->hasFocus(); }));
}

TEST_F(LoginResetTest, LoggedInOffersOnlyThePasswordChange)
{
    state().LoggedIn = true;
    reopen();
    EXPECT_FALSE(dlg->lblDigitPassword->isVisible());
    EXPECT_FALSE(dlg->txtPassword->isVisible());
    EXPECT_FALSE(dlg->cmdEseguiLogin->isVisible());
    EXPECT_TRUE(dlg->txtNewPassword->isVisible());
    EXPECT_TRUE(dlg->txtOldPassword->isVisible());
    EXPECT_TRUE(dlg->cmdImpostaNewPassword->isVisible());
    // The dialog shrinks to what it shows.
    EXPECT_GE(dlg->Label2->width(), dlg->Label2->sizeHint().width());

    // Logged out again: the login part is back.
    state().LoggedIn = false;
    reopen();
    EXPECT_TRUE(dlg->txtPassword->isVisible());
    EXPECT_TRUE(dlg->cmdEseguiLogin->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return dlg->txtPassword->hasFocus(); }));
}

TEST_F(LoginResetTest, EveryActivationStartsAfresh)
{
    type(dlg->txtNewPassword, "newpw1");
    type(dlg->txtOldPassword, "oldpw1");
    ASSERT_TRUE(dlg->cmdImpostaNewPassword->isEnabled());

    // The user visits the programmer window and comes back.
    activateProgrammer();
    dlg->activateWindow();
    ASSERT_TRUE(waitActive(dlg));

    for (QLineEdit *box : {dlg->txtPassword, dlg->txtNewPassword, dlg->txtOldPassword})
        EXPECT_TRUE(box->text().isEmpty()) << box->objectName().toStdString();
    EXPECT_TRUE(dlg->PasswordText.isEmpty());
    EXPECT_TRUE(dlg->NewPasswordText.isEmpty());
    EXPECT_TRUE(dlg->OldPasswordText.isEmpty());
    EXPECT_EQ(dlg->NewPasswordLength, 0);
    EXPECT_EQ(dlg->OldPasswordLength, 0);
    EXPECT_FALSE(dlg->NewPasswordReady);
    EXPECT_FALSE(dlg->OldPasswordReady);
    EXPECT_FALSE(dlg->cmdEseguiLogin->isEnabled());
    EXPECT_FALSE(dlg->cmdImpostaNewPassword->isEnabled());

    // Typing works as before.
    type(dlg->txtPassword, "abcdef");
    EXPECT_TRUE(dlg->cmdEseguiLogin->isEnabled());
}

TEST_F(LoginResetTest, ShowingAgainAfterALoginStartsEmpty)
{
    type(dlg->txtPassword, "abcdef");
    QTest::mouseClick(dlg->cmdEseguiLogin, Qt::LeftButton);
    drainEvents();
    reopen();
    EXPECT_TRUE(dlg->txtPassword->text().isEmpty());
    EXPECT_FALSE(dlg->cmdEseguiLogin->isEnabled());
    // The same dialog, only hidden and shown again.
    EXPECT_EQ(harness->app().login(), dlg);
}

} // namespace
} // namespace qvx::test
