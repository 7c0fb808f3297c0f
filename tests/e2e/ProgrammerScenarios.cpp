// The programmer window against simulated devices: every scenario works on a device of
// its own (192.168.0.1 .. .4, and the two misbehaving ones).
#include "E2eSupport.h"

#include "protocol/Commands.h"
#include "services/ReplyDispatcher.h"

#include <QComboBox>
#include <QRadioButton>
#include <QRegularExpression>

namespace qvx::e2e {

namespace {
bool checked(QWidget *window, const char *name)
{
    return control<QRadioButton>(window, QLatin1String(name))->isChecked();
}
} // namespace

TEST_F(E2e, DownloadFillsTheWindowFromTheDefaultDevice)
{
    // Nothing typed: the program talks to 192.168.0.1.
    download();
    ProgrammerWindow *w = prog();
    EXPECT_EQ(joined(w, "txtMacAddress", 6), "00.04.A3.00.00.01");
    EXPECT_EQ(joined(w, "txtIPAddress"), "192.168.0.1");
    EXPECT_EQ(joined(w, "txtSubnetMask"), "255.255.255.0");
    EXPECT_EQ(joined(w, "txtGateway"), "192.168.0.254");
    EXPECT_EQ(joined(w, "txtTcpServer"), "0.0.0.0");
    EXPECT_EQ((QStringList{text("txtUDPLocalPort"), text("txtUDPRemotePort"), text("cmbUARTBaudrate"),
                           text("txtUARTTimeout"), text("lblFirmware")}),
              (QStringList{"4001", "4001", "9600", "3250", "2.1"}));
    for (const char *option : {"Option2", "Option3", "Option6", "Option8", "optProto_0", "optCliSer_0", "optDhcp_0"})
        EXPECT_TRUE(checked(w, option)) << option;
    // The login-status request leaves first; logged out, the writes stay disabled.
    EXPECT_EQ(requestsOf(CmdLoginStatus), 1);
    EXPECT_EQ(endpoint->sentTo, QStringList(endpoint->sent.size(), "192.168.0.1"));
    EXPECT_FALSE(control<QWidget>(w, "cmdCommand_b")->isEnabled());
    EXPECT_FALSE(ctx->state().commandPending);
}

TEST_F(E2e, LoginPollLogoutAndPasswordChange)
{
    aimAt("192.168.0.2");
    auto *status = control<QLabel>(prog(), "lblLoginStatus");
    auto *logout = control<QWidget>(prog(), "cmdLogout");
    EXPECT_FALSE(login("wrong9"));
    EXPECT_EQ(status->text(), "Login to be done");
    EXPECT_FALSE(logout->isEnabled());

    ASSERT_TRUE(login(kPassword));
    EXPECT_TRUE(logout->isEnabled());
    // The poll goes on every second and shows the time since the login.
    const int polls = requestsOf(CmdLoginStatus), answers = receivedCount();
    EXPECT_TRUE(waitFor([&] { return requestsOf(CmdLoginStatus) - polls >= 2 && repliesTo(CmdLoginStatus, answers) >= 2; },
                        3500));
    EXPECT_TRUE(QRegularExpression(R"(^Login done\. \[Login time 00:0[2-9]\]$)").match(status->text()).hasMatch())
        << status->text().toStdString();

    int from = receivedCount();
    click("cmdLogout");
    EXPECT_TRUE(waitReply(CmdLogout, from));
    EXPECT_EQ(status->text(), "Login to be done");
    EXPECT_FALSE(logout->isEnabled());
    // The next poll hears that the device is logged out and stops the polling.
    EXPECT_TRUE(waitFor([&] { return !control<QWidget>(prog(), "cmdCommand_b")->isEnabled(); }, 3000));
    QTest::qWait(1500);
    const int afterStop = requestsOf(CmdLoginStatus);
    QTest::qWait(1500);
    EXPECT_EQ(requestsOf(CmdLoginStatus), afterStop) << "the poll went on after the logout";

    changePassword("zzzzzz", "Abc789");
    EXPECT_TRUE(waitMessage("New password setting aborted! Wrong old password typed", 2000));
    EXPECT_EQ(status->text(), "New password not set");
    changePassword(kPassword, "Abc789");
    EXPECT_TRUE(waitMessage("New password successfully set!", 2000));
    EXPECT_EQ(status->text(), "New password set");
    EXPECT_EQ(messages.messages.last().title, "Password setting operation");

    // Only the new password opens the device now.
    EXPECT_FALSE(login(kPassword));
    EXPECT_TRUE(login("Abc789"));
    from = receivedCount();
    click("cmdLogout");
    EXPECT_TRUE(waitReply(CmdLogout, from));
}

TEST_F(E2e, UploadFollowsTheDeviceToItsNewAddress)
{
    aimAt("192.168.0.3");
    download();
    ASSERT_EQ(text("txtIPAddress_3"), "3");
    ASSERT_TRUE(login(kPassword));
    const int descriptor = endpoint->socketDescriptor();
    type(box("txtIPAddress_3"), "203");
    type(box("txtUDPLocalPort"), "5001");
    ASSERT_TRUE(clickAndWaitWrite("cmdCommand_b", CmdUploadSettings));
    EXPECT_EQ(endpoint->sentTo.last(), "192.168.0.3");

    // The program now talks to the device at its new address, on the same port.
    EXPECT_TRUE(waitFor([&] { return text("txtExpIPAddress_3") == "203"; }, 2000));
    type(box("txtIPAddress_3"), QString());
    type(box("txtUDPLocalPort"), QString());
    download();
    EXPECT_EQ(endpoint->sentTo.last(), "192.168.0.203");
    EXPECT_EQ(endpoint->socketDescriptor(), descriptor) << "the port was bound again";
    EXPECT_EQ(text("txtIPAddress_3"), "203");
    EXPECT_EQ(text("txtUDPLocalPort"), "5001");
    EXPECT_EQ(text("txtMacAddress_5"), "03");
}

TEST_F(E2e, BaudRateOnTheFlyThenDefaultConfiguration)
{
    aimAt("192.168.0.4");
    QTest::keyClick(control<QComboBox>(prog(), "cmbUARTBaudrate"), Qt::Key_End);
    ASSERT_EQ(text("cmbUARTBaudrate"), "115200");
    EXPECT_EQ(text("txtUARTTimeout"), "271"); // automatic timeout
    click("Option5");                           // odd parity
    click("Option7");                           // 2 stop bits

    const int sentBefore = sentCount(), receivedBefore = receivedCount();
    click("Command1");
    ASSERT_EQ(requestsOf(CmdBaudOnTheFly, sentBefore), 1);
    EXPECT_EQ(endpoint->sent.last().mid(4, 2), QByteArray("\x08\xDC")); // 115200; 8 bits, odd, 2 stop bits
    EXPECT_FALSE(ctx->state().commandPending) << "no reply is awaited for 104";
    QTest::qWait(300);
    EXPECT_EQ(receivedCount(), receivedBefore) << "the device answered 104";

    // Back in the window: the device now runs at the new rate and format.
    click("Option3");
    click("Option6");
    download();
    EXPECT_EQ(text("cmbUARTBaudrate"), "115200");
    EXPECT_TRUE(checked(prog(), "Option5") && checked(prog(), "Option7"));

    ASSERT_TRUE(clickAndWaitWrite("cmdCommand_c", CmdSetDefault));
    download();
    EXPECT_EQ(text("cmbUARTBaudrate"), "9600");
    EXPECT_TRUE(checked(prog(), "Option3") && checked(prog(), "Option6"));
    EXPECT_EQ(text("txtIPAddress_3"), "4"); // still where it was
}

// A device that never answers and one whose every reply has a wrong checksum: both bring
// the no-reply warning, and nothing of theirs reaches the window.
TEST_F(E2e, SilentAndCorruptDevicesBringTheNoReplyWarning)
{
    expectNoReplyWarning = true;
    for (const QString &device : {kSilentDevice, kCorruptDevice}) {
        SCOPED_TRACE(device.toStdString());
        messages.clear();
        aimAt(device);
        const int from = receivedCount();
        const quint64 recognised = ctx->dispatcher().framesRecognised();
        click("cmdCommand_a");
        EXPECT_TRUE(waitMessage(kNoReplyWarning, 4000));
        EXPECT_EQ(messages.messages.last().title, "Attention!");
        // The corrupt device's two answers (102, 97) arrive and are not recognised.
        EXPECT_EQ(receivedCount() - from, device == kSilentDevice ? 0 : 2);
        EXPECT_EQ(ctx->dispatcher().framesRecognised(), recognised);
        EXPECT_TRUE(text("txtIPAddress_3").isEmpty());
        EXPECT_TRUE(text("lblFirmware").isEmpty());
    }
}

} // namespace qvx::e2e
