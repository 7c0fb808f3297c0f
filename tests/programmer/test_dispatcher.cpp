#include "ProgrammerFixture.h"

#include "programmer/ReplyDispatcher.h"

#include <QCoreApplication>
#include <QDir>

namespace qvx::test {
namespace {

class Dispatcher : public ::testing::Test {
protected:
    AppHarness h;
    frm01UDPClient &w = *h.app().programmer();

    // A request is outstanding: the reply timer counts and CommandPending is set.
    void sendSomething() { ASSERT_TRUE(h.app().link().SendCommand(CmdSetDefault)); }
    bool waiting() { return h.state().CommandPending && h.app().Timer1().isCounting(); }
    // Whether each write button, the logout button and the login poll are enabled.
    QList<bool> loginControls()
    {
        QList<bool> out;
        for (QPushButton *b : {w.cmdCommand_b, w.cmdSource, w.cmdBridge, w.cmdResetMacAutomatic,
                               w.cmdResetMacManual, w.cmdLogout})
            out << b->isEnabled();
        return out << h.app().Timer2().isEnabled();
    }
};

TEST_F(Dispatcher, OnlyARecognisedReplyWithAKnownCodeEndsTheWait)
{
    const QByteArray good = Hex("3C246302AAAAB93E");
    const auto with = [&](int index, char value) { QByteArray d = good; d[index] = value; return d; };
    sendSomething();
    const QList<QByteArray> ignored{QByteArray(), good.left(7), with(1, '#'), with(6, char(0xB8)), with(7, '<'),
                                    with(3, 40), BuildReplyFrame(CmdSetDefault, QByteArray(96, '\x01')),
                                    QByteArray(300, '<'), BuildReplyFrame(CmdBaudOnTheFly, SimpleCommandData()),
                                    BuildReplyFrame(96, SimpleCommandData()), BuildReplyFrame(200, SimpleCommandData())};
    for (const QByteArray &d : ignored) {
        h.endpoint.injectDatagram(d);
        EXPECT_TRUE(waiting()) << HexDump(d).toStdString();
    }
    EXPECT_EQ(h.app().dispatcher().framesRecognised(), 3u); // the three with unknown codes

    h.state().SilenceReported = true;
    h.endpoint.injectDatagram(good);
    EXPECT_FALSE(h.state().CommandPending);
    EXPECT_FALSE(h.app().Timer1().isEnabled());
    EXPECT_EQ(h.app().Timer1().interval(), 0);
    EXPECT_FALSE(h.state().SilenceReported);
}

TEST_F(Dispatcher, UploadReplyFollowsTheDeviceAndEveryPendingDatagramIsHandledAfterTheRebind)
{
    h.endpoint.dropPendingOnClose = true;
    h.state().LoggedIn = true;
    for (int i = 0; i < 4; ++i)
        w.txtIPAddress[i]->setText(QString::number(10 + i));
    // The upload reply re-aims (closes) the endpoint; the logout reply behind it must not be lost.
    h.endpoint.injectDatagrams({BuildReplyFrame(CmdUploadSettings, SimpleCommandData()), QByteArray("junk"),
                                BuildReplyFrame(CmdLogout, SimpleCommandData())});
    EXPECT_EQ(h.endpoint.remoteHost(), "10.11.12.13"); // the upload reply follows the device to its new address
    EXPECT_EQ(h.endpoint.remotePort(), kDevicePort);
    EXPECT_TRUE(h.endpoint.isBound());
    EXPECT_EQ(Dotted(w.txtExpIPAddress), "10.11.12.13");
    EXPECT_EQ(h.state().DeviceIpOctet, (std::array<qint16, 4>{10, 11, 12, 13}));
    EXPECT_FALSE(h.state().LoggedIn);
    EXPECT_EQ(w.lblLoginStatus->text(), "Login to be done");
    EXPECT_FALSE(h.endpoint.hasPendingDatagram());
}

TEST_F(Dispatcher, SettingsReplyFillsEveryField)
{
    SettingsBlock s = SampleSettings();
    s.uartTimeout = 1234;
    s.timeoutToDefault = 0;
    h.endpoint.injectReply(CmdDownloadSettings, EncodeSettingsBlock(s));

    EXPECT_EQ(Dotted(w.txtMacAddress), "00.1A.2B.3C.4D.5E");
    EXPECT_EQ(w.DeviceMac[1], 0x1A);
    EXPECT_EQ(Dotted(w.txtIPAddress), "10.0.0.254");
    EXPECT_EQ(Dotted(w.txtSubnetMask), "255.255.255.0");
    EXPECT_EQ(Dotted(w.txtGateway), "10.0.0.1");
    EXPECT_EQ(Dotted(w.txtTcpServer), "172.16.0.9");
    EXPECT_EQ(w.txtUDPLocalPort->text(), "4096");
    EXPECT_EQ(w.txtUDPRemotePort->text(), "4097");
    EXPECT_EQ(w.LocalPortHigh, 16);
    EXPECT_EQ(w.txtUARTTimeout->text(), "1234");
    EXPECT_EQ(w.BaudRateIndex, 4);
    EXPECT_EQ(w.lblFirmware->text(), "3.10");
    for (QRadioButton *o : {w.Option1, w.Option5, w.Option7, w.Option9, w.optCliSer[1], w.optProto[0], w.optDhcp[1]})
        EXPECT_TRUE(o->isChecked()) << o->objectName().toStdString();
    EXPECT_EQ(loginControls(), QList<bool>(7, false)); // logged out: the writes stay disabled
}

TEST_F(Dispatcher, ShortSettingsRepliesLeaveFieldsBeyondTheirDataAlone)
{
    h.endpoint.injectReply(CmdDownloadSettings, kSampleSettingsBytes);
    ASSERT_TRUE(w.optDhcp[1]->isChecked());

    // LEN 28: no mode byte and no server address.
    SettingsBlock s = SampleSettings();
    s.ip = {5, 6, 7, 8};
    s.hasMode = false;
    h.state().LoggedIn = true;
    h.endpoint.injectReply(CmdDownloadSettings, EncodeSettingsBlock(s).left(28));
    EXPECT_EQ(w.txtIPAddress[0]->text(), "5");
    EXPECT_TRUE(w.optDhcp[1]->isChecked());
    EXPECT_TRUE(w.optCliSer[1]->isChecked());
    EXPECT_EQ(Dotted(w.txtTcpServer), "172.16.0.9");
    EXPECT_TRUE(w.cmdCommand_b->isEnabled()); // logged in: the writes follow

    // Eight data bytes: the MAC address and two octets of the IP address only.
    w.txtUDPLocalPort->setText("777");
    h.endpoint.injectReply(CmdDownloadSettings, Bytes({1, 2, 3, 4, 5, 6, 99, 98}));
    EXPECT_EQ(w.txtMacAddress[5]->text(), "06");
    EXPECT_EQ(Dotted(w.txtIPAddress), "99.98.7.8");
    EXPECT_EQ(w.txtUDPLocalPort->text(), "777");
}

TEST_F(Dispatcher, LoginPollAndLogoutMoveTheWindowBetweenItsStates)
{
    const QList<bool> loggedOut(7, false), loggedIn(7, true);
    sendSomething();
    h.endpoint.injectReply(CmdLogin, Bytes({255, 0})); // neither answer: only the wait ends
    EXPECT_FALSE(h.state().CommandPending);
    EXPECT_EQ(loginControls(), loggedOut);

    h.endpoint.injectReply(CmdLogin, Bytes({255, 255}));
    EXPECT_EQ(w.lblLoginStatus->text(), "Login done");
    EXPECT_EQ(loginControls(), (QList<bool>{false, false, false, false, false, true, true}));
    EXPECT_FALSE(h.state().LoggedIn); // the first status reply settles it
    h.endpoint.injectReply(CmdLogin, Bytes({0, 0}));
    EXPECT_EQ(w.lblLoginStatus->text(), "Login to be done");
    EXPECT_EQ(loginControls(), loggedOut);

    h.endpoint.injectReply(CmdLoginStatus, Bytes({255, 255, 7, 5}));
    EXPECT_TRUE(h.state().LoggedIn);
    EXPECT_EQ(w.lblLoginStatus->text(), "Login done. [Login time 07:05]");
    EXPECT_EQ(loginControls(), loggedIn);
    h.endpoint.injectReply(CmdLoginStatus, Bytes({1, 255, 0, 0}));
    EXPECT_TRUE(h.state().LoggedIn);

    // A logout leaves the writes and the poll to the next status reply.
    h.endpoint.injectReply(CmdLogout, SimpleCommandData());
    EXPECT_FALSE(h.state().LoggedIn);
    EXPECT_EQ(w.lblLoginStatus->text(), "Login to be done");
    EXPECT_EQ(loginControls(), (QList<bool>{true, true, true, true, true, false, true}));
    h.endpoint.injectReply(CmdLoginStatus, Bytes({0, 0, 0, 0}));
    EXPECT_EQ(loginControls(), loggedOut);
}

TEST_F(Dispatcher, PasswordChangeOutcomes)
{
    h.endpoint.injectReply(CmdSetPassword, Bytes({255, 255}));
    EXPECT_TRUE(h.state().LoggedIn);
    EXPECT_EQ(w.lblLoginStatus->text(), "New password set");
    // The device took the old password: the poll confirms the login and enables the writes.
    EXPECT_TRUE(h.app().Timer2().isEnabled());
    EXPECT_EQ(h.messages.messages, (QList<ShownMessage>{{"New password successfully set!", "Password setting operation",
                                                         MessageIcon::Information}}));

    h.endpoint.injectReply(CmdSetPassword, Bytes({0, 0}));
    EXPECT_FALSE(h.state().LoggedIn);
    EXPECT_EQ(w.lblLoginStatus->text(), "New password not set");
    EXPECT_EQ(h.messages.lastText(), "New password setting aborted! Wrong old password typed");
    h.endpoint.injectReply(CmdSetPassword, Bytes({0, 255}));
    EXPECT_EQ(h.messages.messages.size(), 2);
}

TEST_F(Dispatcher, MacReassignmentFlushesTheAddressCacheWithTheScriptBesideTheProgram)
{
    h.endpoint.injectReply(CmdMacAutomatic, SimpleCommandData());
    h.processes.startSucceeds = false; // a failure to start it is not reported
    h.endpoint.injectReply(CmdMacFromCode, SimpleCommandData());
    ASSERT_EQ(h.processes.started.size(), 2);
    for (const auto &started : h.processes.started)
        EXPECT_EQ(started.program, QDir(QCoreApplication::applicationDirPath()).filePath("clearArp.sh"));
    EXPECT_TRUE(h.messages.messages.isEmpty());
}

} // namespace
} // namespace qvx::test
