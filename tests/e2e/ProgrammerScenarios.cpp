// The programmer window against simulated devices: every scenario works on a device of
// its own (192.168.0.1 .. .4, and the two misbehaving ones).
#include "E2eSupport.h"

#include "programmer/ReplyDispatcher.h"
#include "programmer/frm01UDPClient.h"
#include "protocol/Commands.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QRadioButton>
#include <QRegularExpression>

namespace qvx::e2e {

namespace {

QStringList texts(const auto &boxes)
{
    QStringList out;
    for (QLineEdit *box : boxes)
        out << box->text();
    return out;
}

} // namespace

TEST_F(E2e, DownloadFillsTheWindowFromTheDefaultDevice)
{
    QVX_REQUIRE(missingProgrammerControls());
    // Nothing typed: the program starts aimed at 192.168.0.1.
    EXPECT_EQ(endpoint->remoteHost(), QStringLiteral("192.168.0.1"));
    EXPECT_EQ(endpoint->remotePort(), kDevicePort);
    download();
    frm01UDPClient *w = prog();
    EXPECT_EQ(texts(w->txtMacAddress), QStringList({"00", "04", "A3", "00", "00", "01"}));
    EXPECT_EQ(texts(w->txtIPAddress), QStringList({"192", "168", "0", "1"}));
    EXPECT_EQ(texts(w->txtSubnetMask), QStringList({"255", "255", "255", "0"}));
    EXPECT_EQ(texts(w->txtGateway), QStringList({"192", "168", "0", "254"}));
    EXPECT_EQ(w->txtUDPLocalPort->text(), QStringLiteral("4001"));
    EXPECT_EQ(w->txtUDPRemotePort->text(), QStringLiteral("4001"));
    EXPECT_EQ(w->cmbUARTBaudrate->currentText(), QStringLiteral("9600"));
    EXPECT_EQ(w->txtUARTTimeout->text(), QStringLiteral("3250"));
    EXPECT_EQ(w->lblFirmware->text(), QStringLiteral("2.1"));
    EXPECT_TRUE(w->Option2->isChecked());
    EXPECT_TRUE(w->Option3->isChecked());
    EXPECT_TRUE(w->Option6->isChecked());
    EXPECT_TRUE(w->Option8->isChecked());
    EXPECT_TRUE(w->optProto[0]->isChecked());
    EXPECT_TRUE(w->optCliSer[0]->isChecked());
    EXPECT_TRUE(w->optDhcp[0]->isChecked());
    EXPECT_EQ(texts(w->txtTcpServer), QStringList({"0", "0", "0", "0"}));
    // The login-status request leaves first; logged out, the writes stay disabled.
    EXPECT_EQ(requestsOf(CmdLoginStatus), 1);
    EXPECT_FALSE(w->cmdCommand_b->isEnabled());
    EXPECT_FALSE(ctx->state().CommandPending);
}

TEST_F(E2e, LoginPollLogoutAndPasswordChange)
{
    QVX_REQUIRE(missingProgrammerControls());
    aimAt(QStringLiteral("192.168.0.2"));
    QLabel *status = prog()->lblLoginStatus;

    bool accepted = true;
    QVX_REQUIRE(login(QStringLiteral("wrong9"), &accepted));
    EXPECT_FALSE(accepted);
    EXPECT_EQ(status->text(), QStringLiteral("Login to be done"));
    EXPECT_FALSE(prog()->cmdLogout->isEnabled());

    QVX_REQUIRE(login(QString::fromLatin1(kPassword), &accepted));
    ASSERT_TRUE(accepted);
    EXPECT_TRUE(prog()->cmdLogout->isEnabled());
    // The poll goes on every second and shows the time since the login.
    const int polls = requestsOf(CmdLoginStatus);
    const int answers = int(endpoint->received.size());
    EXPECT_TRUE(waitFor([&] { return requestsOf(CmdLoginStatus) - polls >= 2 && repliesTo(CmdLoginStatus, answers) >= 2; },
                        3500));
    const QRegularExpression later(QStringLiteral(R"(^Login done\. \[Login time 00:0[2-9]\]$)"));
    EXPECT_TRUE(later.match(status->text()).hasMatch()) << status->text().toStdString();
    EXPECT_TRUE(ctx->state().LoggedIn);

    const int from = int(endpoint->received.size());
    prog()->cmdLogout->click();
    EXPECT_TRUE(waitReply(CmdLogout, from));
    EXPECT_EQ(status->text(), QStringLiteral("Login to be done"));
    EXPECT_FALSE(prog()->cmdLogout->isEnabled());
    // The next poll hears that the device is logged out and stops the polling.
    EXPECT_TRUE(waitFor([&] { return !prog()->cmdCommand_b->isEnabled(); }, 3000));
    QTest::qWait(1500);
    const int afterStop = requestsOf(CmdLoginStatus);
    QTest::qWait(1500);
    EXPECT_EQ(requestsOf(CmdLoginStatus), afterStop) << "the poll went on after the logout";

    QVX_REQUIRE(changePassword(QStringLiteral("zzzzzz"), QStringLiteral("Abc789")));
    EXPECT_TRUE(waitMessage(QStringLiteral("New password setting aborted! Wrong old password typed"), 2000));
    EXPECT_EQ(status->text(), QStringLiteral("New password not set"));

    QVX_REQUIRE(changePassword(QString::fromLatin1(kPassword), QStringLiteral("Abc789")));
    EXPECT_TRUE(waitMessage(QStringLiteral("New password successfully set!"), 2000));
    EXPECT_EQ(status->text(), QStringLiteral("New password set"));
    EXPECT_EQ(messages.messages.last().title, QStringLiteral("Password setting operation"));

    // Only the new password opens the device now.
    QVX_REQUIRE(login(QString::fromLatin1(kPassword), &accepted));
    EXPECT_FALSE(accepted);
    QVX_REQUIRE(login(QStringLiteral("Abc789"), &accepted));
    EXPECT_TRUE(accepted);
    const int end = int(endpoint->received.size());
    prog()->cmdLogout->click();
    EXPECT_TRUE(waitReply(CmdLogout, end));
}

TEST_F(E2e, UploadFollowsTheDeviceToItsNewAddress)
{
    QVX_REQUIRE(missingProgrammerControls());
    aimAt(QStringLiteral("192.168.0.3"));
    download();
    ASSERT_EQ(prog()->txtIPAddress[3]->text(), QStringLiteral("3"));
    bool accepted = false;
    QVX_REQUIRE(login(QString::fromLatin1(kPassword), &accepted));
    ASSERT_TRUE(accepted);

    type(prog()->txtIPAddress[3], QStringLiteral("203"));
    type(prog()->txtUDPLocalPort, QStringLiteral("5001"));
    ASSERT_TRUE(clickAndWaitWrite(prog()->cmdCommand_b, CmdUploadSettings));

    // The program now talks to the device at its new address.
    EXPECT_TRUE(waitFor([&] { return prog()->txtExpIPAddress[3]->text() == QStringLiteral("203"); }, 2000));
    EXPECT_EQ(endpoint->remoteHost(), QStringLiteral("192.168.0.203"));
    type(prog()->txtIPAddress[3], QString());
    type(prog()->txtUDPLocalPort, QString());
    download();
    EXPECT_EQ(prog()->txtIPAddress[3]->text(), QStringLiteral("203"));
    EXPECT_EQ(prog()->txtUDPLocalPort->text(), QStringLiteral("5001"));
    EXPECT_EQ(prog()->txtMacAddress[5]->text(), QStringLiteral("03"));
}

TEST_F(E2e, BaudRateOnTheFlyThenDefaultConfiguration)
{
    QVX_REQUIRE(missingProgrammerControls());
    aimAt(QStringLiteral("192.168.0.4"));
    selectLast(prog()->cmbUARTBaudrate); // 115200
    ASSERT_EQ(prog()->cmbUARTBaudrate->currentText(), QStringLiteral("115200"));
    EXPECT_EQ(prog()->txtUARTTimeout->text(), QStringLiteral("271")); // automatic timeout
    prog()->Option5->click(); // odd parity
    prog()->Option7->click(); // 2 stop bits

    const int sentBefore = int(endpoint->sent.size());
    const int receivedBefore = int(endpoint->received.size());
    prog()->Command1->click();
    EXPECT_EQ(requestsOf(CmdBaudOnTheFly, sentBefore), 1);
    const QByteArray quick = endpoint->sent.last();
    ASSERT_EQ(quick.size(), 8);
    EXPECT_EQ(quint8(quick[4]), 8);    // 115200
    EXPECT_EQ(quint8(quick[5]), 0xDC); // 8 data bits, odd, 2 stop bits
    EXPECT_FALSE(ctx->state().CommandPending) << "no reply is awaited for 104";
    QTest::qWait(300);
    EXPECT_EQ(int(endpoint->received.size()), receivedBefore) << "the device answered 104";

    // Back in the window: the device now runs at the new rate and format.
    prog()->Option3->click();
    prog()->Option6->click();
    download();
    EXPECT_EQ(prog()->cmbUARTBaudrate->currentText(), QStringLiteral("115200"));
    EXPECT_TRUE(prog()->Option5->isChecked());
    EXPECT_TRUE(prog()->Option7->isChecked());

    ASSERT_TRUE(clickAndWaitWrite(prog()->cmdCommand_c, CmdSetDefault));
    download();
    EXPECT_EQ(prog()->cmbUARTBaudrate->currentText(), QStringLiteral("9600"));
    EXPECT_TRUE(prog()->Option3->isChecked());
    EXPECT_TRUE(prog()->Option6->isChecked());
    EXPECT_EQ(prog()->txtIPAddress[3]->text(), QStringLiteral("4")); // still where it was
}

TEST_F(E2e, SilentDeviceBringsTheNoReplyWarning)
{
    QVX_REQUIRE(missingProgrammerControls());
    expectNoReplyWarning = true;
    aimAt(QString::fromLatin1(kSilentDevice));
    prog()->cmdCommand_a->click();
    EXPECT_TRUE(waitMessage(kNoReplyWarning, 4000));
    EXPECT_EQ(messages.messages.last().title, QStringLiteral("Attention!"));
    EXPECT_TRUE(endpoint->received.isEmpty());
    EXPECT_TRUE(prog()->txtIPAddress[3]->text().isEmpty());
}

TEST_F(E2e, CorruptRepliesAreIgnoredAndWarnedAbout)
{
    QVX_REQUIRE(missingProgrammerControls());
    expectNoReplyWarning = true;
    aimAt(QString::fromLatin1(kCorruptDevice));
    const quint64 recognised = ctx->dispatcher().framesRecognised();
    prog()->cmdCommand_a->click();
    // Both answers (102, 97) arrive, with a wrong checksum each.
    EXPECT_TRUE(waitFor([&] { return endpoint->received.size() >= 2; }, 2000));
    EXPECT_TRUE(waitMessage(kNoReplyWarning, 4000));
    EXPECT_EQ(ctx->dispatcher().framesRecognised(), recognised);
    EXPECT_TRUE(prog()->txtIPAddress[3]->text().isEmpty());
    EXPECT_TRUE(prog()->lblFirmware->text().isEmpty());
}

} // namespace qvx::e2e
