#include "ProgrammerFixture.h"

#include "platform/NeighbourCache.h"
#include "services/ReplyDispatcher.h"

#include <QCoreApplication>
#include <QDir>

namespace qvx::test {
namespace {

class Dispatcher : public ::testing::Test {
protected:
    AppHarness h;
    ProgrammerWindow &w = *h.app().programmer();

    // A request is outstanding: the reply timer counts and commandPending is set.
    void sendSomething() { ASSERT_TRUE(h.app().link().sendCommand(CmdSetDefault)); }
    bool waiting() { return h.state().commandPending && h.app().replyTimer().isCounting(); }
    // Whether each write button, the logout button and the login poll are enabled.
    QList<bool> loginControls()
    {
        QList<bool> out;
        for (QPushButton *b : {w.uploadButton, w.sourceFilterButton, w.bridgeButton, w.macAutomaticButton,
                               w.macManualButton, w.logoutButton})
            out << b->isEnabled();
        return out << h.app().loginPollTimer().isEnabled();
    }
};

TEST_F(Dispatcher, OnlyARecognisedReplyWithAKnownCodeEndsTheWait)
{
    const QByteArray good = Hex("3C246302AAAAB93E");
    const auto with = [&](int index, char value) { QByteArray d = good; d[index] = value; return d; };
    sendSomething();
    const QList<QByteArray> ignored{QByteArray(), good.left(7), with(1, '#'), with(6, char(0xB8)), with(7, '<'),
                                    with(3, 40), buildReplyFrame(CmdSetDefault, QByteArray(96, '\x01')),
                                    QByteArray(300, '<'), buildReplyFrame(CmdBaudOnTheFly, simpleCommandData()),
                                    buildReplyFrame(96, simpleCommandData()), buildReplyFrame(200, simpleCommandData())};
    for (const QByteArray &d : ignored) {
        h.endpoint.injectDatagram(d);
        EXPECT_TRUE(waiting()) << hexDump(d).toStdString();
    }
    EXPECT_EQ(h.app().dispatcher().framesRecognised(), 3u); // the three with unknown codes

    h.state().silenceReported = true;
    h.endpoint.injectDatagram(good);
    EXPECT_FALSE(h.state().commandPending);
    EXPECT_FALSE(h.app().replyTimer().isEnabled());
    EXPECT_EQ(h.app().replyTimer().interval(), 0);
    EXPECT_FALSE(h.state().silenceReported);
}

TEST_F(Dispatcher, UploadReplyFollowsTheDeviceAndEveryPendingDatagramIsHandledAfterTheRebind)
{
    h.endpoint.dropPendingOnClose = true;
    h.state().loggedIn = true;
    for (int i = 0; i < 4; ++i)
        w.ipAddressBoxes[i]->setText(QString::number(10 + i));
    // The upload reply re-aims (closes) the endpoint; the logout reply behind it must not be lost.
    h.endpoint.injectDatagrams({buildReplyFrame(CmdUploadSettings, simpleCommandData()), QByteArray("junk"),
                                buildReplyFrame(CmdLogout, simpleCommandData())});
    EXPECT_EQ(h.endpoint.remoteHost(), "10.11.12.13"); // the upload reply follows the device to its new address
    EXPECT_EQ(h.endpoint.remotePort(), kDevicePort);
    EXPECT_TRUE(h.endpoint.isBound());
    EXPECT_EQ(Dotted(w.expectedAddressBoxes), "10.11.12.13");
    EXPECT_EQ(h.state().deviceAddress, (std::array<qint16, 4>{10, 11, 12, 13}));
    EXPECT_FALSE(h.state().loggedIn);
    EXPECT_EQ(w.loginStatusLabel->text(), "Login to be done");
    EXPECT_FALSE(h.endpoint.hasPendingDatagram());
}

TEST_F(Dispatcher, SettingsReplyFillsEveryField)
{
    SettingsBlock s = SampleSettings();
    s.uartTimeout = 1234;
    s.timeoutToDefault = 0;
    h.endpoint.injectReply(CmdDownloadSettings, encodeSettingsBlock(s));

    EXPECT_EQ(Dotted(w.macAddressBoxes), "00.1A.2B.3C.4D.5E");
    EXPECT_EQ(w.deviceMac[1], 0x1A);
    EXPECT_EQ(Dotted(w.ipAddressBoxes), "10.0.0.254");
    EXPECT_EQ(Dotted(w.subnetMaskBoxes), "255.255.255.0");
    EXPECT_EQ(Dotted(w.gatewayBoxes), "10.0.0.1");
    EXPECT_EQ(Dotted(w.tcpServerAddressBoxes), "172.16.0.9");
    EXPECT_EQ(w.localPortBox->text(), "4096");
    EXPECT_EQ(w.remotePortBox->text(), "4097");
    EXPECT_EQ(w.localPortHigh, 16);
    EXPECT_EQ(w.uartTimeoutBox->text(), "1234");
    EXPECT_EQ(w.baudRateIndex, 4);
    EXPECT_EQ(w.firmwareLabel->text(), "3.10");
    for (QRadioButton *o : {w.sevenDataBits, w.oddParity, w.twoStopBits, w.timeoutToDefaultOff, w.tcpRoleButtons[1], w.protocolButtons[0], w.dhcpButtons[1]})
        EXPECT_TRUE(o->isChecked()) << o->objectName().toStdString();
    EXPECT_EQ(loginControls(), QList<bool>(7, false)); // logged out: the writes stay disabled
}

TEST_F(Dispatcher, ShortSettingsRepliesLeaveFieldsBeyondTheirDataAlone)
{
    h.endpoint.injectReply(CmdDownloadSettings, kSampleSettingsBytes);
    ASSERT_TRUE(w.dhcpButtons[1]->isChecked());

    // LEN 28: no mode byte and no server address.
    SettingsBlock s = SampleSettings();
    s.ip = {5, 6, 7, 8};
    s.hasMode = false;
    h.state().loggedIn = true;
    h.endpoint.injectReply(CmdDownloadSettings, encodeSettingsBlock(s).left(28));
    EXPECT_EQ(w.ipAddressBoxes[0]->text(), "5");
    EXPECT_TRUE(w.dhcpButtons[1]->isChecked());
    EXPECT_TRUE(w.tcpRoleButtons[1]->isChecked());
    EXPECT_EQ(Dotted(w.tcpServerAddressBoxes), "172.16.0.9");
    EXPECT_TRUE(w.uploadButton->isEnabled()); // logged in: the writes follow

    // Eight data bytes: the MAC address and two octets of the IP address only.
    w.localPortBox->setText("777");
    h.endpoint.injectReply(CmdDownloadSettings, Bytes({1, 2, 3, 4, 5, 6, 99, 98}));
    EXPECT_EQ(w.macAddressBoxes[5]->text(), "06");
    EXPECT_EQ(Dotted(w.ipAddressBoxes), "99.98.7.8");
    EXPECT_EQ(w.localPortBox->text(), "777");
}

TEST_F(Dispatcher, LoginPollAndLogoutMoveTheWindowBetweenItsStates)
{
    const QList<bool> loggedOut(7, false), loggedIn(7, true);
    sendSomething();
    h.endpoint.injectReply(CmdLogin, Bytes({255, 0})); // neither answer: only the wait ends
    EXPECT_FALSE(h.state().commandPending);
    EXPECT_EQ(loginControls(), loggedOut);

    h.endpoint.injectReply(CmdLogin, Bytes({255, 255}));
    EXPECT_EQ(w.loginStatusLabel->text(), "Login done");
    EXPECT_EQ(loginControls(), (QList<bool>{false, false, false, false, false, true, true}));
    EXPECT_FALSE(h.state().loggedIn); // the first status reply settles it
    h.endpoint.injectReply(CmdLogin, Bytes({0, 0}));
    EXPECT_EQ(w.loginStatusLabel->text(), "Login to be done");
    EXPECT_EQ(loginControls(), loggedOut);

    h.endpoint.injectReply(CmdLoginStatus, Bytes({255, 255, 7, 5}));
    EXPECT_TRUE(h.state().loggedIn);
    EXPECT_EQ(w.loginStatusLabel->text(), "Login done. [Login time 07:05]");
    EXPECT_EQ(loginControls(), loggedIn);
    h.endpoint.injectReply(CmdLoginStatus, Bytes({1, 255, 0, 0}));
    EXPECT_TRUE(h.state().loggedIn);

    // A logout leaves the writes and the poll to the next status reply.
    h.endpoint.injectReply(CmdLogout, simpleCommandData());
    EXPECT_FALSE(h.state().loggedIn);
    EXPECT_EQ(w.loginStatusLabel->text(), "Login to be done");
    EXPECT_EQ(loginControls(), (QList<bool>{true, true, true, true, true, false, true}));
    h.endpoint.injectReply(CmdLoginStatus, Bytes({0, 0, 0, 0}));
    EXPECT_EQ(loginControls(), loggedOut);
}

TEST_F(Dispatcher, PasswordChangeOutcomes)
{
    h.endpoint.injectReply(CmdSetPassword, Bytes({255, 255}));
    EXPECT_TRUE(h.state().loggedIn);
    EXPECT_EQ(w.loginStatusLabel->text(), "New password set");
    // The device took the old password: the poll confirms the login and enables the writes.
    EXPECT_TRUE(h.app().loginPollTimer().isEnabled());
    EXPECT_EQ(h.messages.messages, (QList<ShownMessage>{{"New password successfully set!", "Password setting operation",
                                                         MessageIcon::Information}}));

    h.endpoint.injectReply(CmdSetPassword, Bytes({0, 0}));
    EXPECT_FALSE(h.state().loggedIn);
    EXPECT_EQ(w.loginStatusLabel->text(), "New password not set");
    EXPECT_EQ(h.messages.lastText(), "New password setting aborted! Wrong old password typed");
    h.endpoint.injectReply(CmdSetPassword, Bytes({0, 255}));
    EXPECT_EQ(h.messages.messages.size(), 2);
}

TEST_F(Dispatcher, MacReassignmentFlushesTheAddressCacheWithTheHelperBesideTheProgram)
{
    h.endpoint.injectReply(CmdMacAutomatic, simpleCommandData());
    h.processes.startSucceeds = false; // a failure to start it is not reported
    h.endpoint.injectReply(CmdMacFromCode, simpleCommandData());
    ASSERT_EQ(h.processes.started.size(), 2);
    for (const auto &started : h.processes.started)
        EXPECT_EQ(QDir::fromNativeSeparators(started.program),
                  QDir(QCoreApplication::applicationDirPath()).filePath(neighbourCacheHelperName()));
    EXPECT_TRUE(h.messages.messages.isEmpty());
}

} // namespace
} // namespace qvx::test
