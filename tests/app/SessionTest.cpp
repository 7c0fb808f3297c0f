// A whole working session through the endpoint test double, answered by the device
// simulator's model: download, login, upload to a new address.
#include "Address.h"
#include "AppHarness.h"
#include "Simulator.h"

#include "login/LoginDialog.h"
#include "programmer/ProgrammerWindow.h"
#include "protocol/Commands.h"
#include "protocol/WriteSequence.h"

#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace qvx;
using namespace qvx::test;

namespace {

class SessionTest : public ::testing::Test {
protected:
    SessionTest()
    {
        devsim::Device device;
        device.settings.mac = {0x00, 0x04, 0xA3, 0x10, 0x20, 0x30};
        device.settings.ip = {192, 168, 0, 1};
        device.password = devsim::padPassword(QStringLiteral("secret1"));
        device.faulty = false;
        sim = std::make_unique<devsim::Simulator>(std::vector<devsim::Device>{device});

        // The device answers on the next pass of the event loop, never inside the sender.
        h.endpoint.onSend = [this](const FakeEndpoint::Sent &sent) {
            devsim::Datagram in;
            in.bytes = sent.datagram;
            in.from = *devsim::parseIpv4(QStringLiteral("192.168.0.10"));
            in.fromPort = kLocalPort;
            in.to = devsim::parseIpv4(sent.host).value_or(0);
            for (const devsim::Reply &reply : sim->handle(in, clockMs).replies) {
                const QByteArray frame = reply.frame;
                QTimer::singleShot(0, &h.endpoint, [this, frame] { h.endpoint.injectDatagram(frame); });
            }
        };
    }

    QString text(const char *name) { return Shown(&w, {QString::fromLatin1(name)}); }
    QPushButton *button(const char *name) { return Find<QPushButton>(&w, name); }

    bool waitIdle() { return QTest::qWaitFor([this] { return !h.state().commandPending; }, 2000); }

    AppHarness h;
    ProgrammerWindow &w = *h.app().programmer();
    std::unique_ptr<devsim::Simulator> sim;
    qint64 clockMs = 0;
};

TEST_F(SessionTest, DownloadLoginAndUploadToANewAddress)
{
    // Download from the device at the default address.
    QTest::mouseClick(button("cmdCommand_a"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return text("txtMacAddress_5") == "30"; }, 2000));
    ASSERT_TRUE(waitIdle());

    // Log in through the dialog; the programmer window sends the frame.
    QTest::mouseClick(button("cmdLogin"), Qt::LeftButton);
    LoginDialog *login = h.app().loginIfLoaded();
    ASSERT_NE(login, nullptr);
    auto *password = Find<QLineEdit>(login, "txtPassword");
    password->setFocus();
    QTest::keyClicks(password, QStringLiteral("secret1"));
    QTest::mouseClick(Find<QPushButton>(login, "cmdEseguiLogin"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return text("lblLoginStatus") == "Login done"; }, 2000));
    EXPECT_EQ(h.endpoint.commands().count(CmdLogin), 1);
    ASSERT_TRUE(h.app().loginPollTimer().isEnabled());

    // The first poll confirms the login and enables the writes.
    clockMs = 65'000;
    w.pollLogin();
    ASSERT_TRUE(QTest::qWaitFor([&] { return h.state().loggedIn; }, 2000));
    EXPECT_EQ(text("lblLoginStatus"), "Login done. [Login time 01:05]");
    EXPECT_TRUE(button("cmdCommand_b")->isEnabled());

    // Upload a new address: logout now, the settings when the deferred-write timer fires.
    Find<QLineEdit>(&w, "txtIPAddress_3")->setText(QStringLiteral("77"));
    QTest::mouseClick(button("cmdCommand_b"), Qt::LeftButton);
    EXPECT_EQ(h.endpoint.commands().last(), CmdLogout);
    ASSERT_TRUE(h.app().deferredWriteTimer().isEnabled());
    ASSERT_TRUE(waitIdle());
    h.app().writeSequence().sendNow();
    EXPECT_EQ(h.endpoint.commands().last(), CmdUploadSettings);
    EXPECT_EQ(h.endpoint.sent.last().host, "192.168.0.1");

    // The confirmation moves the program to the device's new address.
    ASSERT_TRUE(QTest::qWaitFor([&] { return text("txtExpIPAddress") == "192.168.0.77"; }, 2000));
    EXPECT_EQ(sim->devices()[0].settings.ip, (Octets4{192, 168, 0, 77}));
    EXPECT_TRUE(h.messages.messages.isEmpty()) << h.messages.lastText().toStdString();
}

} // namespace
