// The programmer window against simulated devices: every scenario works on a device of
// its own (192.168.0.1 .. .4, and the two misbehaving ones).
#include "E2eSupport.h"

#include "services/ReplyDispatcher.h"
#include "protocol/Commands.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>

namespace qvx::e2e {
namespace {

template <typename Boxes>
QString dotted(const Boxes &boxes)
{
    QStringList parts;
    for (QLineEdit *box : boxes)
        parts << box->text();
    return parts.join('.');
}

} // namespace

TEST_F(E2e, DownloadFillsTheWindowFromTheDefaultDevice)
{
    // Nothing typed: the program starts aimed at 192.168.0.1.
    EXPECT_EQ(endpoint->remoteHost(), "192.168.0.1");
    EXPECT_EQ(endpoint->remotePort(), kDevicePort);
    download();
    ProgrammerWindow *w = prog();
    EXPECT_EQ(dotted(w->macAddressBoxes), "00.04.A3.00.00.01");
    EXPECT_EQ(dotted(w->ipAddressBoxes), "192.168.0.1");
    EXPECT_EQ(dotted(w->subnetMaskBoxes), "255.255.255.0");
    EXPECT_EQ(dotted(w->gatewayBoxes), "192.168.0.254");
    EXPECT_EQ(dotted(w->tcpServerAddressBoxes), "0.0.0.0");
    EXPECT_EQ(w->localPortBox->text(), "4001");
    EXPECT_EQ(w->remotePortBox->text(), "4001");
    EXPECT_EQ(w->baudRateList->currentText(), "9600");
    EXPECT_EQ(w->uartTimeoutBox->text(), "3250");
    EXPECT_EQ(w->firmwareLabel->text(), "2.1");
    for (QRadioButton *o : {w->eightDataBits, w->noParity, w->oneStopBit, w->timeoutToDefaultOn, w->protocolButtons[0], w->tcpRoleButtons[0],
                            w->dhcpButtons[0]})
        EXPECT_TRUE(o->isChecked()) << o->objectName().toStdString();
    // The login-status request leaves first; logged out, the writes stay disabled.
    EXPECT_EQ(requestsOf(CmdLoginStatus), 1);
    EXPECT_FALSE(w->uploadButton->isEnabled());
    EXPECT_FALSE(ctx->state().commandPending);
}

TEST_F(E2e, LoginPollLogoutAndPasswordChange)
{
    aimAt("192.168.0.2");
    QLabel *status = prog()->loginStatusLabel;
    EXPECT_FALSE(login("wrong9"));
    EXPECT_EQ(status->text(), "Login to be done");
    EXPECT_FALSE(prog()->logoutButton->isEnabled());

    ASSERT_TRUE(login(kPassword));
    EXPECT_TRUE(prog()->logoutButton->isEnabled());
    // The poll goes on every second and shows the time since the login.
    const int polls = requestsOf(CmdLoginStatus), answers = receivedCount();
    EXPECT_TRUE(waitFor([&] { return requestsOf(CmdLoginStatus) - polls >= 2 && repliesTo(CmdLoginStatus, answers) >= 2; },
                        3500));
    EXPECT_TRUE(QRegularExpression(R"(^Login done\. \[Login time 00:0[2-9]\]$)").match(status->text()).hasMatch())
        << status->text().toStdString();
    EXPECT_TRUE(ctx->state().loggedIn);

    const int from = receivedCount();
    prog()->logoutButton->click();
    EXPECT_TRUE(waitReply(CmdLogout, from));
    EXPECT_EQ(status->text(), "Login to be done");
    EXPECT_FALSE(prog()->logoutButton->isEnabled());
    // The next poll hears that the device is logged out and stops the polling.
    EXPECT_TRUE(waitFor([&] { return !prog()->uploadButton->isEnabled(); }, 3000));
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
    const int end = receivedCount();
    prog()->logoutButton->click();
    EXPECT_TRUE(waitReply(CmdLogout, end));
}

TEST_F(E2e, UploadFollowsTheDeviceToItsNewAddress)
{
    aimAt("192.168.0.3");
    download();
    ASSERT_EQ(prog()->ipAddressBoxes[3]->text(), "3");
    ASSERT_TRUE(login(kPassword));
    type(prog()->ipAddressBoxes[3], "203");
    type(prog()->localPortBox, "5001");
    ASSERT_TRUE(clickAndWaitWrite(prog()->uploadButton, CmdUploadSettings));

    // The program now talks to the device at its new address.
    EXPECT_TRUE(waitFor([&] { return prog()->expectedAddressBoxes[3]->text() == "203"; }, 2000));
    EXPECT_EQ(endpoint->remoteHost(), "192.168.0.203");
    type(prog()->ipAddressBoxes[3], QString());
    type(prog()->localPortBox, QString());
    download();
    EXPECT_EQ(prog()->ipAddressBoxes[3]->text(), "203");
    EXPECT_EQ(prog()->localPortBox->text(), "5001");
    EXPECT_EQ(prog()->macAddressBoxes[5]->text(), "03");
}

TEST_F(E2e, BaudRateOnTheFlyThenDefaultConfiguration)
{
    aimAt("192.168.0.4");
    QTest::keyClick(prog()->baudRateList, Qt::Key_End); // 115200
    ASSERT_EQ(prog()->baudRateList->currentText(), "115200");
    EXPECT_EQ(prog()->uartTimeoutBox->text(), "271"); // automatic timeout
    prog()->oddParity->click(); // odd parity
    prog()->twoStopBits->click(); // 2 stop bits

    const int sentBefore = int(endpoint->sent.size()), receivedBefore = receivedCount();
    prog()->baudOnTheFlyButton->click();
    ASSERT_EQ(requestsOf(CmdBaudOnTheFly, sentBefore), 1);
    EXPECT_EQ(endpoint->sent.last().mid(4, 2), QByteArray("\x08\xDC")); // 115200; 8 bits, odd, 2 stop bits
    EXPECT_FALSE(ctx->state().commandPending) << "no reply is awaited for 104";
    QTest::qWait(300);
    EXPECT_EQ(receivedCount(), receivedBefore) << "the device answered 104";

    // Back in the window: the device now runs at the new rate and format.
    prog()->noParity->click();
    prog()->oneStopBit->click();
    download();
    EXPECT_EQ(prog()->baudRateList->currentText(), "115200");
    EXPECT_TRUE(prog()->oddParity->isChecked() && prog()->twoStopBits->isChecked());

    ASSERT_TRUE(clickAndWaitWrite(prog()->setDefaultButton, CmdSetDefault));
    download();
    EXPECT_EQ(prog()->baudRateList->currentText(), "9600");
    EXPECT_TRUE(prog()->noParity->isChecked() && prog()->oneStopBit->isChecked());
    EXPECT_EQ(prog()->ipAddressBoxes[3]->text(), "4"); // still where it was
}

TEST_F(E2e, SilentDeviceBringsTheNoReplyWarning)
{
    expectNoReplyWarning = true;
    aimAt(kSilentDevice);
    prog()->downloadButton->click();
    EXPECT_TRUE(waitMessage(kNoReplyWarning, 4000));
    EXPECT_EQ(messages.messages.last().title, "Attention!");
    EXPECT_TRUE(endpoint->received.isEmpty());
    EXPECT_TRUE(prog()->ipAddressBoxes[3]->text().isEmpty());
}

TEST_F(E2e, CorruptRepliesAreIgnoredAndWarnedAbout)
{
    expectNoReplyWarning = true;
    aimAt(kCorruptDevice);
    const quint64 recognised = ctx->dispatcher().framesRecognised();
    prog()->downloadButton->click();
    // Both answers (102, 97) arrive, with a wrong checksum each.
    EXPECT_TRUE(waitFor([&] { return endpoint->received.size() >= 2; }, 2000));
    EXPECT_TRUE(waitMessage(kNoReplyWarning, 4000));
    EXPECT_EQ(ctx->dispatcher().framesRecognised(), recognised);
    EXPECT_TRUE(prog()->ipAddressBoxes[3]->text().isEmpty());
    EXPECT_TRUE(prog()->firmwareLabel->text().isEmpty());
}

} // namespace qvx::e2e
