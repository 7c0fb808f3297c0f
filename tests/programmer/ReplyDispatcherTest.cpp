// What each reply does to the program, one case per reply the dispatcher knows.
#include "AppHarness.h"
#include "Samples.h"

#include "dialogs/BridgeDialog.h"
#include "dialogs/SourceFilterDialog.h"
#include "platform/NeighbourCache.h"
#include "programmer/ProgrammerWindow.h"
#include "protocol/Commands.h"
#include "protocol/Frame.h"
#include "services/ReplyDispatcher.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

#include <functional>

namespace qvx::test {
namespace {

// Whether the five write buttons, "Logout" and the login poll are enabled.
QList<bool> LoginControls(AppHarness &h)
{
    QList<bool> out;
    for (const char *name : {"cmdCommand_b", "cmdSource", "cmdBridge", "cmdResetMacAutomatic", "cmdResetMacManual",
                             "cmdLogout"})
        out << Find<QPushButton>(h.app().programmer(), name)->isEnabled();
    return out << h.app().loginPollTimer().isEnabled();
}
QString Text(AppHarness &h, const char *name)
{
    const QObject *w = h.app().programmer();
    if (auto *box = w->findChild<QLineEdit *>(name))
        return box->text();
    return Find<QLabel>(w, name)->text();
}
bool Checked(AppHarness &h, const char *name) { return Find<QRadioButton>(h.app().programmer(), name)->isChecked(); }

const QList<bool> kLoggedOut(7, false), kLoggedIn(7, true);

struct ReplyCase {
    const char *what;
    std::function<void(AppHarness &)> before; // optional
    quint8 cmd;
    QByteArray data;
    std::function<void(AppHarness &)> check;
};

void LogIn(AppHarness &h) { h.endpoint.injectReply(CmdLoginStatus, Bytes({255, 255, 0, 0})); }
void Sample(AppHarness &h) { h.endpoint.injectReply(CmdDownloadSettings, kSampleSettingsBytes); }
void ExpectMessage(AppHarness &h, const QString &text, const QString &title)
{
    EXPECT_EQ(h.messages.messages, (QList<ShownMessage>{{text, title, MessageIcon::Information}}));
}

const ReplyCase kReplies[] = {
    {"97 fills every field", nullptr, CmdDownloadSettings,
     Hex("001A2B3C4D5E" "0A0000FE" "FFFFFF00" "0A000001" "1000" "1001" "04" "04D2" "3A" "DD" "00" "50" "AC100009"),
     [](AppHarness &h) {
         const QObject *w = h.app().programmer();
         EXPECT_EQ(Dotted<QLineEdit>(w, "txtMacAddress", 6), "00.1A.2B.3C.4D.5E");
         EXPECT_EQ(Dotted<QLineEdit>(w, "txtIPAddress"), "10.0.0.254");
         EXPECT_EQ(Dotted<QLineEdit>(w, "txtSubnetMask"), "255.255.255.0");
         EXPECT_EQ(Dotted<QLineEdit>(w, "txtGateway"), "10.0.0.1");
         EXPECT_EQ(Dotted<QLineEdit>(w, "txtTcpServer"), "172.16.0.9");
         EXPECT_EQ(Text(h, "txtUDPLocalPort") + " " + Text(h, "txtUDPRemotePort"), "4096 4097");
         EXPECT_EQ(Text(h, "txtUARTTimeout"), "1234");
         EXPECT_EQ(Find<QComboBox>(w, "cmbUARTBaudrate")->currentText(), "9600");
         EXPECT_EQ(Text(h, "lblFirmware"), "3.10");
         for (const char *name : {"Option1", "Option5", "Option7", "Option9", "optCliSer_1", "optProto_0", "optDhcp_1"})
             EXPECT_TRUE(Checked(h, name)) << name;
         EXPECT_EQ(LoginControls(h), kLoggedOut); // logged out: the writes stay disabled
     }},
    {"97 of 28 bytes leaves the mode and the server address",
     [](AppHarness &h) {
         Sample(h);
         LogIn(h);
     },
     CmdDownloadSettings, Hex("001A2B3C4D5E" "05060708" "FFFFFF00" "0A000001" "1000" "1001" "04" "0CB2" "3A" "C0" "01"),
     [](AppHarness &h) {
         EXPECT_EQ(Dotted<QLineEdit>(h.app().programmer(), "txtIPAddress"), "5.6.7.8");
         EXPECT_TRUE(Checked(h, "optDhcp_1") && Checked(h, "optCliSer_1") && Checked(h, "Option2"));
         EXPECT_EQ(Dotted<QLineEdit>(h.app().programmer(), "txtTcpServer"), "172.16.0.9");
         EXPECT_EQ(LoginControls(h), kLoggedIn); // logged in: the writes follow
     }},
    {"97 of 8 bytes fills the MAC address and two octets only",
     [](AppHarness &h) {
         Sample(h);
         Find<QLineEdit>(h.app().programmer(), "txtUDPLocalPort")->setText("777");
     },
     CmdDownloadSettings, Bytes({1, 2, 3, 4, 5, 6, 99, 98}),
     [](AppHarness &h) {
         EXPECT_EQ(Text(h, "txtMacAddress_5"), "06");
         EXPECT_EQ(Dotted<QLineEdit>(h.app().programmer(), "txtIPAddress"), "99.98.0.254");
         EXPECT_EQ(Text(h, "txtUDPLocalPort"), "777");
     }},
    {"99 ends the wait only", nullptr, CmdSetDefault, Bytes({0xAA, 0xAA}),
     [](AppHarness &h) { EXPECT_TRUE(h.messages.messages.isEmpty()); }},
    {"106 ends the wait only", nullptr, CmdUploadSource, Bytes({0xAA, 0xAA}),
     [](AppHarness &h) { EXPECT_EQ(h.app().sourceIfLoaded(), nullptr); }},
    {"111 ends the wait only", nullptr, CmdUploadBridge, Bytes({0xAA, 0xAA}),
     [](AppHarness &h) { EXPECT_EQ(h.app().bridgeIfLoaded(), nullptr); }},
    {"100 accepted: logout and poll, the writes wait for the poll", nullptr, CmdLogin, Bytes({255, 255}),
     [](AppHarness &h) {
         EXPECT_EQ(Text(h, "lblLoginStatus"), "Login done");
         EXPECT_EQ(LoginControls(h), (QList<bool>{false, false, false, false, false, true, true}));
         EXPECT_FALSE(h.state().loggedIn);
     }},
    {"100 refused", LogIn, CmdLogin, Bytes({0, 0}),
     [](AppHarness &h) {
         EXPECT_EQ(Text(h, "lblLoginStatus"), "Login to be done");
         EXPECT_EQ(LoginControls(h), (QList<bool>{true, true, true, true, true, false, false}));
     }},
    {"100 neither yes nor no", nullptr, CmdLogin, Bytes({255, 0}),
     [](AppHarness &h) { EXPECT_EQ(Text(h, "lblLoginStatus"), ""); }},
    {"101 accepted", nullptr, CmdSetPassword, Bytes({255, 255}),
     [](AppHarness &h) {
         EXPECT_TRUE(h.state().loggedIn);
         EXPECT_EQ(Text(h, "lblLoginStatus"), "New password set");
         EXPECT_TRUE(h.app().loginPollTimer().isEnabled()); // the poll confirms the login
         ExpectMessage(h, "New password successfully set!", "Password setting operation");
     }},
    {"101 refused", LogIn, CmdSetPassword, Bytes({0, 0}),
     [](AppHarness &h) {
         EXPECT_FALSE(h.state().loggedIn);
         EXPECT_EQ(Text(h, "lblLoginStatus"), "New password not set");
         ExpectMessage(h, "New password setting aborted! Wrong old password typed", "Password setting operation");
     }},
    {"102 logged in, with the login time", nullptr, CmdLoginStatus, Bytes({255, 255, 7, 5}),
     [](AppHarness &h) {
         EXPECT_TRUE(h.state().loggedIn);
         EXPECT_EQ(Text(h, "lblLoginStatus"), "Login done. [Login time 07:05]");
         EXPECT_EQ(LoginControls(h), kLoggedIn);
     }},
    {"102 neither yes nor no changes nothing", LogIn, CmdLoginStatus, Bytes({1, 255, 0, 0}),
     [](AppHarness &h) {
         EXPECT_TRUE(h.state().loggedIn);
         EXPECT_EQ(LoginControls(h), kLoggedIn);
     }},
    {"102 logged out", LogIn, CmdLoginStatus, Bytes({0, 0, 0, 0}),
     [](AppHarness &h) {
         EXPECT_FALSE(h.state().loggedIn);
         EXPECT_EQ(Text(h, "lblLoginStatus"), "Login to be done");
         EXPECT_EQ(LoginControls(h), kLoggedOut);
     }},
    {"103 leaves the writes and the poll to the next status", LogIn, CmdLogout, Bytes({0xAA, 0xAA}),
     [](AppHarness &h) {
         EXPECT_FALSE(h.state().loggedIn);
         EXPECT_EQ(Text(h, "lblLoginStatus"), "Login to be done");
         EXPECT_EQ(LoginControls(h), (QList<bool>{true, true, true, true, true, false, true}));
     }},
    {"105 fills the source filter dialog, made hidden", nullptr, CmdDownloadSource,
     Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}),
     [](AppHarness &h) {
         ASSERT_NE(h.app().sourceIfLoaded(), nullptr);
         EXPECT_FALSE(h.app().sourceIfLoaded()->isVisible());
         EXPECT_EQ(Dotted<QLineEdit>(h.app().sourceIfLoaded(), "txtSourceIP3"), "9.10.11.12");
     }},
    {"110 fills the bridge dialog, made hidden", nullptr, CmdDownloadBridge,
     Hex("01" "0FA1" "1389138A138B138C138D" "0A000001" "0A000102" "0A000203" "0A000304" "0A000405"),
     [](AppHarness &h) {
         ASSERT_NE(h.app().bridgeIfLoaded(), nullptr);
         EXPECT_FALSE(h.app().bridgeIfLoaded()->isVisible());
         EXPECT_EQ(Find<QLineEdit>(h.app().bridgeIfLoaded(), "txtLocalPortB")->text(), "4001");
     }},
    {"108 confirms and discovers again 2 s later", nullptr, CmdUploadSelected, Bytes({0xAA, 0xAA}),
     [](AppHarness &h) {
         ExpectMessage(h, "Upload device OK", "Command result");
         EXPECT_EQ(h.app().rediscoveryTimer().interval(), 2000);
         EXPECT_TRUE(h.app().rediscoveryTimer().isCounting());
     }},
    {"109 confirms and discovers again 2 s later", nullptr, CmdFactorySetting, Bytes({0xAA, 0xAA}),
     [](AppHarness &h) {
         ExpectMessage(h, "Factory setting device OK", "Command result");
         EXPECT_TRUE(h.app().rediscoveryTimer().isCounting());
     }},
    {"112 flushes the address cache with the script beside the program", nullptr, CmdMacAutomatic,
     Bytes({0xAA, 0xAA}),
     [](AppHarness &h) {
         ASSERT_EQ(h.processes.started.size(), 1);
         // Windows names the path with its own separators.
         EXPECT_EQ(QDir::fromNativeSeparators(h.processes.started[0].program),
                   QDir(QCoreApplication::applicationDirPath()).filePath(neighbourCacheHelperName()));
     }},
    {"113 too, and a failure to start it is not reported",
     [](AppHarness &h) { h.processes.startSucceeds = false; }, CmdMacFromCode, Bytes({0xAA, 0xAA}),
     [](AppHarness &h) {
         EXPECT_EQ(h.processes.started.size(), 1);
         EXPECT_TRUE(h.messages.messages.isEmpty());
     }},
};

// Every known reply ends the wait for a reply and clears the no-reply report, then does
// what its case says.
TEST(Dispatcher, EachReplyDoesWhatItSays)
{
    for (const ReplyCase &c : kReplies) {
        SCOPED_TRACE(c.what);
        AppHarness h;
        h.app().loginPollTimer().setEnabled(false);
        if (c.before)
            c.before(h);
        h.app().loginPollTimer().setEnabled(h.state().loggedIn);
        h.messages.clear();
        ASSERT_TRUE(h.app().link().sendCommand(CmdSetDefault));
        h.state().silenceReported = true;
        h.endpoint.injectReply(c.cmd, c.data);
        EXPECT_FALSE(h.state().commandPending);
        EXPECT_FALSE(h.app().replyTimer().isEnabled());
        EXPECT_FALSE(h.state().silenceReported);
        c.check(h);
    }
}

TEST(Dispatcher, OnlyARecognisedReplyWithAKnownCodeEndsTheWait)
{
    AppHarness h;
    const QByteArray good = Hex("3C246302AAAAB93E");
    const auto with = [&](int index, char value) {
        QByteArray d = good;
        d[index] = value;
        return d;
    };
    ASSERT_TRUE(h.app().link().sendCommand(CmdSetDefault));
    const QList<QByteArray> ignored{QByteArray(), good.left(7), with(1, '#'), with(6, char(0xB8)), with(7, '<'),
                                    with(3, 40), buildReplyFrame(CmdSetDefault, QByteArray(96, 1)), QByteArray(300, '<'),
                                    buildReplyFrame(CmdBaudOnTheFly, Bytes({0xAA, 0xAA})),
                                    buildReplyFrame(96, Bytes({0xAA, 0xAA})), buildReplyFrame(200, Bytes({0xAA, 0xAA}))};
    for (const QByteArray &d : ignored) {
        h.endpoint.injectDatagram(d);
        EXPECT_TRUE(h.state().commandPending && h.app().replyTimer().isCounting()) << d.toHex().toStdString();
    }
    EXPECT_EQ(h.app().dispatcher().framesRecognised(), 3u); // the three with unknown codes
    h.endpoint.injectDatagram(good);
    EXPECT_FALSE(h.state().commandPending);
}

} // namespace
} // namespace qvx::test
