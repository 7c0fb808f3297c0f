// The login dialog's resets on load and activation, and the hand-over of a login or a
// password change to the programmer window, which puts the frame on the wire once.
#include "LoginTestSupport.h"

#include "protocol/Frame.h"

#include <QCoreApplication>

#include <functional>

namespace qvx::test {
namespace {

// Lets every queued event and zero-delay timer run, without waiting for time to pass.
void drainEvents()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// The data of every request frame sent, with its command code.
QList<std::pair<int, QByteArray>> requests(const FakeEndpoint &endpoint)
{
    QList<std::pair<int, QByteArray>> out;
    for (const QByteArray &datagram : endpoint.frames())
        if (const std::optional<Frame> frame = RecognizeRequest(datagram))
            out.append({frame->cmd, frame->data});
    return out;
}

using LoginHandOver = LoginDialogFixture;

// With and without a programmer window that takes the activation back (a window manager
// may never give it back; a hidden window cannot become active).
TEST_F(LoginHandOver, EachRequestLeavesOnceWithItsPaddedPasswords)
{
    const struct {
        const char *what;
        std::function<void(frm02Login *)> fill;
        QPushButton *frm02Login::*button;
        int cmd;
        QByteArray data;
    } cases[] = {
        {"login", [](frm02Login *d) { QTest::keyClicks(d->txtPassword, "Abc123"); }, &frm02Login::cmdEseguiLogin, 100,
         "      Abc123"},
        {"pasted login", [](frm02Login *d) { d->txtPassword->insert(QStringLiteral("p\u00e4ss w\u00f6rd-12345678")); },
         &frm02Login::cmdEseguiLogin, 100, "psswrd123456"},
        {"password change",
         [](frm02Login *d) {
             QTest::keyClicks(d->txtNewPassword, "NewPass2024");
             QTest::keyClicks(d->txtOldPassword, "old123");
         },
         &frm02Login::cmdImpostaNewPassword, 101, "      old123 NewPass2024"},
    };
    for (bool programmerShown : {true, false}) {
        for (const auto &c : cases) {
            SCOPED_TRACE(testing::Message() << c.what << (programmerShown ? "" : ", programmer window hidden"));
            open(programmerShown);
            c.fill(dlg);
            QTest::mouseClick(dlg->*c.button, Qt::LeftButton);
            EXPECT_FALSE(dlg->isVisible());
            EXPECT_TRUE(QTest::qWaitFor([&] { return !harness->endpoint.sent.isEmpty(); }));
            if (programmerShown) {
                EXPECT_TRUE(WaitActive(programmer()));
            }
            drainEvents();
            EXPECT_FALSE(state().LoginRequested);
            EXPECT_FALSE(state().PasswordChangeRequested);
            EXPECT_EQ(requests(harness->endpoint), (QList<std::pair<int, QByteArray>>{{c.cmd, c.data}}));
        }
    }
}

TEST_F(LoginHandOver, AnActivationBeforeTheFallbackSendsOnceAndClosingSendsNothing)
{
    type(dlg->txtPassword, "qwerty");
    QTest::mouseClick(dlg->cmdEseguiLogin, Qt::LeftButton);
    programmer()->Form_Activate(); // the window manager hands activation back before the fallback runs
    EXPECT_TRUE(WaitActive(programmer()));
    drainEvents();
    EXPECT_EQ(harness->endpoint.commands(), QList<int>{100});

    reopen();
    harness->endpoint.clearSent();
    type(dlg->txtPassword, "qwerty");
    dlg->close();
    drainEvents();
    EXPECT_FALSE(state().LoginRequested);
    EXPECT_TRUE(harness->endpoint.sent.isEmpty());
}

TEST_F(LoginHandOver, LoggedInOnlyThePasswordChangeIsOffered)
{
    const auto loginPartShown = [this] {
        return dlg->lblDigitPassword->isVisible() && dlg->txtPassword->isVisible() && dlg->cmdEseguiLogin->isVisible();
    };
    for (QWidget *part : QList<QWidget *>{dlg->Label2, dlg->txtNewPassword, dlg->cmdImpostaNewPassword, dlg->Label3,
                                          dlg->txtOldPassword})
        EXPECT_TRUE(part->isVisible());
    EXPECT_TRUE(loginPartShown());
    EXPECT_TRUE(QTest::qWaitFor([&] { return dlg->txtPassword->hasFocus(); }));

    state().LoggedIn = true;
    reopen();
    EXPECT_FALSE(dlg->lblDigitPassword->isVisible() || dlg->txtPassword->isVisible() ||
                 dlg->cmdEseguiLogin->isVisible());
    EXPECT_TRUE(dlg->txtNewPassword->isVisible() && dlg->txtOldPassword->isVisible());
    EXPECT_GE(dlg->Label2->width(), dlg->Label2->sizeHint().width()); // shrunk to what it shows

    state().LoggedIn = false;
    reopen();
    EXPECT_TRUE(loginPartShown());
    EXPECT_TRUE(QTest::qWaitFor([&] { return dlg->txtPassword->hasFocus(); }));
}

TEST_F(LoginHandOver, EveryActivationAndEveryShowingStartsAfresh)
{
    type(dlg->txtNewPassword, "newpw1");
    type(dlg->txtOldPassword, "oldpw1");
    ASSERT_TRUE(dlg->cmdImpostaNewPassword->isEnabled());
    activateProgrammer(); // the user visits the programmer window and comes back
    dlg->activateWindow();
    ASSERT_TRUE(WaitActive(dlg));
    for (QLineEdit *box : {dlg->txtPassword, dlg->txtNewPassword, dlg->txtOldPassword})
        EXPECT_TRUE(box->text().isEmpty()) << box->objectName().toStdString();
    EXPECT_TRUE(dlg->PasswordText.isEmpty() && dlg->NewPasswordText.isEmpty() && dlg->OldPasswordText.isEmpty());
    EXPECT_EQ(dlg->NewPasswordLength + dlg->OldPasswordLength, 0);
    EXPECT_FALSE(dlg->NewPasswordReady || dlg->OldPasswordReady);
    EXPECT_FALSE(dlg->cmdEseguiLogin->isEnabled() || dlg->cmdImpostaNewPassword->isEnabled());

    type(dlg->txtPassword, "abcdef");
    QTest::mouseClick(dlg->cmdEseguiLogin, Qt::LeftButton);
    drainEvents();
    reopen();
    EXPECT_TRUE(dlg->txtPassword->text().isEmpty());
    EXPECT_FALSE(dlg->cmdEseguiLogin->isEnabled());
    EXPECT_EQ(harness->app().login(), dlg); // the same dialog, only hidden and shown again
}

} // namespace
} // namespace qvx::test
