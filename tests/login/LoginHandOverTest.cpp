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
        if (const std::optional<Frame> frame = recognizeRequest(datagram))
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
        std::function<void(LoginDialog *)> fill;
        QPushButton *LoginDialog::*button;
        int cmd;
        QByteArray data;
    } cases[] = {
        {"login", [](LoginDialog *d) { QTest::keyClicks(d->passwordBox, "Abc123"); }, &LoginDialog::loginButton, 100,
         "      Abc123"},
        {"pasted login", [](LoginDialog *d) { d->passwordBox->insert(QStringLiteral("p\u00e4ss w\u00f6rd-12345678")); },
         &LoginDialog::loginButton, 100, "psswrd123456"},
        {"password change",
         [](LoginDialog *d) {
             QTest::keyClicks(d->newPasswordBox, "NewPass2024");
             QTest::keyClicks(d->oldPasswordBox, "old123");
         },
         &LoginDialog::setPasswordButton, 101, "      old123 NewPass2024"},
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
            EXPECT_FALSE(state().loginRequested);
            EXPECT_FALSE(state().passwordChangeRequested);
            EXPECT_EQ(requests(harness->endpoint), (QList<std::pair<int, QByteArray>>{{c.cmd, c.data}}));
        }
    }
}

TEST_F(LoginHandOver, AnActivationBeforeTheFallbackSendsOnceAndClosingSendsNothing)
{
    type(dlg->passwordBox, "qwerty");
    QTest::mouseClick(dlg->loginButton, Qt::LeftButton);
    programmer()->onActivated(); // the window manager hands activation back before the fallback runs
    EXPECT_TRUE(WaitActive(programmer()));
    drainEvents();
    EXPECT_EQ(harness->endpoint.commands(), QList<int>{100});

    reopen();
    harness->endpoint.clearSent();
    type(dlg->passwordBox, "qwerty");
    dlg->close();
    drainEvents();
    EXPECT_FALSE(state().loginRequested);
    EXPECT_TRUE(harness->endpoint.sent.isEmpty());
}

TEST_F(LoginHandOver, LoggedInOnlyThePasswordChangeIsOffered)
{
    const auto loginPartShown = [this] {
        return dlg->passwordCaption->isVisible() && dlg->passwordBox->isVisible() && dlg->loginButton->isVisible();
    };
    for (QWidget *part : QList<QWidget *>{dlg->newPasswordCaption, dlg->newPasswordBox, dlg->setPasswordButton, dlg->oldPasswordCaption,
                                          dlg->oldPasswordBox})
        EXPECT_TRUE(part->isVisible());
    EXPECT_TRUE(loginPartShown());
    EXPECT_TRUE(QTest::qWaitFor([&] { return dlg->passwordBox->hasFocus(); }));

    state().loggedIn = true;
    reopen();
    EXPECT_FALSE(dlg->passwordCaption->isVisible() || dlg->passwordBox->isVisible() ||
                 dlg->loginButton->isVisible());
    EXPECT_TRUE(dlg->newPasswordBox->isVisible() && dlg->oldPasswordBox->isVisible());
    EXPECT_GE(dlg->newPasswordCaption->width(), dlg->newPasswordCaption->sizeHint().width()); // shrunk to what it shows

    state().loggedIn = false;
    reopen();
    EXPECT_TRUE(loginPartShown());
    EXPECT_TRUE(QTest::qWaitFor([&] { return dlg->passwordBox->hasFocus(); }));
}

TEST_F(LoginHandOver, EveryActivationAndEveryShowingStartsAfresh)
{
    type(dlg->newPasswordBox, "newpw1");
    type(dlg->oldPasswordBox, "oldpw1");
    ASSERT_TRUE(dlg->setPasswordButton->isEnabled());
    activateProgrammer(); // the user visits the programmer window and comes back
    dlg->activateWindow();
    ASSERT_TRUE(WaitActive(dlg));
    for (QLineEdit *box : {dlg->passwordBox, dlg->newPasswordBox, dlg->oldPasswordBox})
        EXPECT_TRUE(box->text().isEmpty()) << box->objectName().toStdString();
    EXPECT_TRUE(dlg->passwordText.isEmpty() && dlg->newPasswordText.isEmpty() && dlg->oldPasswordText.isEmpty());
    EXPECT_EQ(dlg->newPasswordLength + dlg->oldPasswordLength, 0);
    EXPECT_FALSE(dlg->newPasswordReady || dlg->oldPasswordReady);
    EXPECT_FALSE(dlg->loginButton->isEnabled() || dlg->setPasswordButton->isEnabled());

    type(dlg->passwordBox, "abcdef");
    QTest::mouseClick(dlg->loginButton, Qt::LeftButton);
    drainEvents();
    reopen();
    EXPECT_TRUE(dlg->passwordBox->text().isEmpty());
    EXPECT_FALSE(dlg->loginButton->isEnabled());
    EXPECT_EQ(harness->app().login(), dlg); // the same dialog, only hidden and shown again
}

} // namespace
} // namespace qvx::test
