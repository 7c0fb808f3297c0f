#include "AppHarness.h"

#include "programmer/ReplyDispatcher.h"
#include "programmer/frm01UDPClient.h"
#include "protocol/Commands.h"
#include "protocol/Frame.h"
#include "protocol/Layouts.h"

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

using namespace qvx;
using namespace qvx::test;

namespace {

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(static_cast<char>(v));
    return out;
}

class DispatcherTest : public ::testing::Test {
protected:
    AppHarness h;
    frm01UDPClient &w = *h.app().programmer();

    // A request is outstanding: the reply timer counts and CommandPending is set.
    void sendSomething() { ASSERT_TRUE(h.app().link().SendCommand(CmdSetDefault)); }
    bool waiting() { return h.state().CommandPending && h.app().Timer1().isEnabled() && h.app().Timer1().interval() > 0; }

    std::array<QPushButton *, 5> writeButtons()
    {
        return {w.cmdCommand_b, w.cmdSource, w.cmdBridge, w.cmdResetMacAutomatic, w.cmdResetMacManual};
    }
};

TEST_F(DispatcherTest, RecognisedReplyEndsTheReplyWait)
{
    sendSomething();
    ASSERT_TRUE(waiting());
    h.endpoint.injectDatagram(bytes({0x3C, 0x24, 0x63, 0x02, 0xAA, 0xAA, 0xB9, 0x3E}));
    EXPECT_FALSE(h.state().CommandPending);
    EXPECT_FALSE(h.app().Timer1().isEnabled());
    EXPECT_EQ(h.app().Timer1().interval(), 0);
}

TEST_F(DispatcherTest, MalformedDatagramsAreDroppedWithoutTouchingTheWait)
{
    const QByteArray good = bytes({0x3C, 0x24, 0x63, 0x02, 0xAA, 0xAA, 0xB9, 0x3E});
    QByteArray echoed = good;
    echoed[1] = '#';
    QByteArray badSum = good;
    badSum[6] = static_cast<char>(0xB8);
    QByteArray badEnd = good;
    badEnd[7] = '<';
    QByteArray oversized = BuildReplyFrame(CmdSetDefault, QByteArray(96, '\x01'));
    QByteArray lyingLength = good;
    lyingLength[3] = 40; // claims 40 data bytes, carries 2
    const QList<QByteArray> bad{QByteArray(), good.left(7), echoed, badSum, badEnd, oversized, lyingLength,
                                QByteArray(300, '<')};
    sendSomething();
    for (const QByteArray &d : bad) {
        h.endpoint.injectDatagram(d);
        EXPECT_TRUE(waiting()) << HexDump(d).toStdString();
    }
    EXPECT_EQ(h.app().dispatcher().framesRecognised(), 0u);
}

TEST_F(DispatcherTest, CodesWithoutAnEntryAreIgnored)
{
    sendSomething();
    h.endpoint.injectReply(CmdBaudOnTheFly, SimpleCommandData());
    h.endpoint.injectReply(96, SimpleCommandData());
    h.endpoint.injectReply(200, SimpleCommandData());
    EXPECT_TRUE(waiting());
}

TEST_F(DispatcherTest, EveryPendingDatagramIsHandledEvenWhenAReplyRebindsTheSocket)
{
    h.endpoint.dropPendingOnClose = true;
    h.state().LoggedIn = true;
    for (int i = 0; i < 4; ++i)
        w.txtIPAddress[i]->setText(QString::number(10 + i));
    // The upload reply re-aims (closes) the endpoint; the logout reply behind it must not be lost.
    h.endpoint.injectDatagrams({BuildReplyFrame(CmdUploadSettings, SimpleCommandData()), QByteArray("junk"),
                                BuildReplyFrame(CmdLogout, SimpleCommandData())});
    EXPECT_EQ(h.endpoint.remoteHost(), "10.11.12.13");
    EXPECT_FALSE(h.state().LoggedIn);
    EXPECT_EQ(w.lblLoginStatus->text(), "Login to be done");
    EXPECT_FALSE(h.endpoint.hasPendingDatagram());
}

TEST_F(DispatcherTest, SettingsReplyFillsEveryField)
{
    SettingsBlock s;
    s.mac = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
    s.ip = {10, 0, 0, 254};
    s.mask = {255, 255, 255, 0};
    s.gateway = {10, 0, 0, 1};
    s.localPort = 4096;
    s.remotePort = 65535;
    s.baudCode = 4;
    s.uartTimeout = 1234;
    s.firmware = 0x3A;
    s.format = 0xDD; // 7 bits, odd, 2 stop bits
    s.timeoutToDefault = 0;
    s.mode = 0x10 | 0x40;
    s.tcpServer = {172, 16, 0, 9};
    h.endpoint.injectReply(CmdDownloadSettings, EncodeSettingsBlock(s));

    const QStringList mac{"00", "1A", "2B", "3C", "4D", "5E"};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(w.txtMacAddress[i]->text(), mac[i]);
    EXPECT_EQ(w.DeviceMac[1], 0x1A);
    const auto texts = [](const std::array<QLineEdit *, 4> &boxes) {
        QStringList out;
        for (auto *b : boxes)
            out << b->text();
        return out.join('.');
    };
    EXPECT_EQ(texts(w.txtIPAddress), "10.0.0.254");
    EXPECT_EQ(texts(w.txtSubnetMask), "255.255.255.0");
    EXPECT_EQ(texts(w.txtGateway), "10.0.0.1");
    EXPECT_EQ(texts(w.txtTcpServer), "172.16.0.9");
    EXPECT_EQ(w.txtUDPLocalPort->text(), "4096");
    EXPECT_EQ(w.txtUDPRemotePort->text(), "65535");
    EXPECT_EQ(w.LocalPortHigh, 16);
    EXPECT_EQ(w.txtUARTTimeout->text(), "1234");
    EXPECT_EQ(w.BaudRateIndex, 4);
    EXPECT_EQ(w.lblFirmware->text(), "3.10");
    EXPECT_TRUE(w.Option1->isChecked());
    EXPECT_TRUE(w.Option5->isChecked());
    EXPECT_TRUE(w.Option7->isChecked());
    EXPECT_TRUE(w.Option9->isChecked());
    EXPECT_TRUE(w.optCliSer[1]->isChecked());
    EXPECT_TRUE(w.optProto[0]->isChecked());
    EXPECT_TRUE(w.optDhcp[1]->isChecked());
    for (auto *b : writeButtons())
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
}

TEST_F(DispatcherTest, ShortSettingsRepliesLeaveFieldsBeyondTheirDataAlone)
{
    SettingsBlock s;
    s.ip = {1, 2, 3, 4};
    s.mode = 0x70;
    s.tcpServer = {9, 9, 9, 9};
    h.endpoint.injectReply(CmdDownloadSettings, EncodeSettingsBlock(s));
    ASSERT_TRUE(w.optDhcp[1]->isChecked());

    // LEN 28: no mode byte, no server address.
    s.ip = {5, 6, 7, 8};
    s.mode = 0;
    s.tcpServer = {1, 1, 1, 1};
    s.hasMode = false;
    h.state().LoggedIn = true;
    h.endpoint.injectReply(CmdDownloadSettings, EncodeSettingsBlock(s));
    EXPECT_EQ(w.txtIPAddress[0]->text(), "5");
    EXPECT_TRUE(w.optDhcp[1]->isChecked());
    EXPECT_TRUE(w.optCliSer[1]->isChecked());
    EXPECT_EQ(w.txtTcpServer[0]->text(), "9");
    for (auto *b : writeButtons())
        EXPECT_TRUE(b->isEnabled());

    // Eight data bytes: the MAC address and two octets of the IP address only.
    w.txtUDPLocalPort->setText("777");
    h.endpoint.injectReply(CmdDownloadSettings, bytes({1, 2, 3, 4, 5, 6, 99, 98}));
    EXPECT_EQ(w.txtMacAddress[5]->text(), "06");
    EXPECT_EQ(w.txtIPAddress[1]->text(), "98");
    EXPECT_EQ(w.txtIPAddress[2]->text(), "7");
    EXPECT_EQ(w.txtUDPLocalPort->text(), "777");
}

TEST_F(DispatcherTest, LoginReplies)
{
    sendSomething();
    h.endpoint.injectReply(CmdLogin, bytes({255, 0}));
    EXPECT_FALSE(h.state().CommandPending);
    EXPECT_FALSE(h.app().Timer2().isEnabled());
    EXPECT_FALSE(w.cmdLogout->isEnabled());

    h.endpoint.injectReply(CmdLogin, bytes({255, 255}));
    EXPECT_EQ(w.lblLoginStatus->text(), "Login done");
    EXPECT_TRUE(w.cmdLogout->isEnabled());
    EXPECT_TRUE(h.app().Timer2().isEnabled());
    EXPECT_FALSE(h.state().LoggedIn); // the first status reply settles it

    h.endpoint.injectReply(CmdLogin, bytes({0, 0}));
    EXPECT_EQ(w.lblLoginStatus->text(), "Login to be done");
    EXPECT_FALSE(w.cmdLogout->isEnabled());
    EXPECT_FALSE(h.app().Timer2().isEnabled());
}

TEST_F(DispatcherTest, LoginStatusMovesTheWindowBetweenItsTwoStates)
{
    h.endpoint.injectReply(CmdLoginStatus, bytes({255, 255, 7, 5}));
    EXPECT_TRUE(h.state().LoggedIn);
    EXPECT_EQ(w.lblLoginStatus->text(), "Login done. [Login time 07:05]");
    EXPECT_TRUE(h.app().Timer2().isEnabled());
    EXPECT_TRUE(w.cmdLogout->isEnabled());
    for (auto *b : writeButtons())
        EXPECT_TRUE(b->isEnabled());

    h.endpoint.injectReply(CmdLoginStatus, bytes({255, 255, 12, 59}));
    EXPECT_EQ(w.lblLoginStatus->text(), "Login done. [Login time 12:59]");

    h.endpoint.injectReply(CmdLoginStatus, bytes({1, 255, 0, 0}));
    EXPECT_TRUE(h.state().LoggedIn);

    h.endpoint.injectReply(CmdLoginStatus, bytes({0, 0, 0, 0}));
    EXPECT_FALSE(h.state().LoggedIn);
    EXPECT_EQ(w.lblLoginStatus->text(), "Login to be done");
    EXPECT_FALSE(h.app().Timer2().isEnabled());
    EXPECT_FALSE(w.cmdLogout->isEnabled());
    for (auto *b : writeButtons())
        EXPECT_FALSE(b->isEnabled());
}

TEST_F(DispatcherTest, LogoutLeavesWriteButtonsAndPollForTheNextStatus)
{
    h.endpoint.injectReply(CmdLoginStatus, bytes({255, 255, 0, 1}));
    h.endpoint.injectReply(CmdLogout, SimpleCommandData());
    EXPECT_FALSE(h.state().LoggedIn);
    EXPECT_FALSE(w.cmdLogout->isEnabled());
    EXPECT_EQ(w.lblLoginStatus->text(), "Login to be done");
    EXPECT_TRUE(w.cmdCommand_b->isEnabled());
    EXPECT_TRUE(h.app().Timer2().isEnabled());
}

TEST_F(DispatcherTest, PasswordChangeOutcomes)
{
    h.endpoint.injectReply(CmdSetPassword, bytes({255, 255}));
    EXPECT_TRUE(h.state().LoggedIn);
    EXPECT_EQ(w.lblLoginStatus->text(), "New password set");
    ASSERT_EQ(h.messages.messages.size(), 1);
    EXPECT_EQ(h.messages.messages[0].text, "New password successfully set!");
    EXPECT_EQ(h.messages.messages[0].title, "Password setting operation");
    EXPECT_EQ(h.messages.messages[0].icon, MessageIcon::Information);

    h.endpoint.injectReply(CmdSetPassword, bytes({0, 0}));
    EXPECT_FALSE(h.state().LoggedIn);
    EXPECT_EQ(w.lblLoginStatus->text(), "New password not set");
    EXPECT_EQ(h.messages.lastText(), "New password setting aborted! Wrong old password typed");

    h.endpoint.injectReply(CmdSetPassword, bytes({0, 255}));
    EXPECT_EQ(h.messages.messages.size(), 2);
}

TEST_F(DispatcherTest, UploadReplyFollowsTheDeviceToItsNewAddress)
{
    for (int i = 0; i < 4; ++i)
        w.txtIPAddress[i]->setText(QString::number(std::array{10, 1, 2, 3}[i]));
    h.endpoint.injectReply(CmdUploadSettings, SimpleCommandData());
    EXPECT_EQ(h.state().DeviceIpOctet, (std::array<qint16, 4>{10, 1, 2, 3}));
    EXPECT_EQ(h.endpoint.remoteHost(), "10.1.2.3");
    EXPECT_EQ(h.endpoint.remotePort(), kDevicePort);
    EXPECT_TRUE(h.endpoint.isBound());
    EXPECT_EQ(w.txtExpIPAddress[0]->text(), "10");
    EXPECT_EQ(w.txtExpIPAddress[3]->text(), "3");
    EXPECT_TRUE(h.app().link().IsUnicastTargetSelected());
}

TEST_F(DispatcherTest, MacReassignmentFlushesTheAddressCacheWithTheScriptBesideTheProgram)
{
    h.endpoint.injectReply(CmdMacAutomatic, SimpleCommandData());
    h.endpoint.injectReply(CmdMacFromCode, SimpleCommandData());
    ASSERT_EQ(h.processes.started.size(), 2);
    const QString expected = QDir(QCoreApplication::applicationDirPath()).filePath("clearArp.sh");
    EXPECT_EQ(h.processes.started[0].program, expected);
    EXPECT_TRUE(QDir::isAbsolutePath(h.processes.started[1].program));

    h.processes.startSucceeds = false; // a failure to start it is not reported
    h.endpoint.injectReply(CmdMacAutomatic, SimpleCommandData());
    EXPECT_TRUE(h.messages.messages.isEmpty());
}

TEST_F(DispatcherTest, ConfirmedSelectedDeviceWritesArmTheRediscovery)
{
    h.endpoint.injectReply(CmdUploadSelected, SimpleCommandData());
    ASSERT_EQ(h.messages.messages.size(), 1);
    EXPECT_EQ(h.messages.messages[0].text, "Upload device OK");
    EXPECT_EQ(h.messages.messages[0].title, "Command result");
    EXPECT_TRUE(h.app().Timer3().isEnabled());
    EXPECT_EQ(h.app().Timer3().interval(), 2000);

    h.endpoint.injectReply(CmdFactorySetting, SimpleCommandData());
    EXPECT_EQ(h.messages.lastText(), "Factory setting device OK");
}

TEST_F(DispatcherTest, AnyRecognisedReplyEndsTheSilenceReport)
{
    h.state().SilenceReported = true;
    h.endpoint.injectReply(CmdLogout, SimpleCommandData());
    EXPECT_FALSE(h.state().SilenceReported);
}

} // namespace
