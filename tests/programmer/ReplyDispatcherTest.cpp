// What each reply does to the program, one case per reply the dispatcher knows.
#include "Samples.h"
#include "WindowControls.h"

#include "dialogs/BridgeDialog.h"
#include "dialogs/SourceFilterDialog.h"
#include "platform/NeighbourCache.h"
#include "programmer/ProgrammerWindow.h"
#include "protocol/Commands.h"
#include "protocol/Frame.h"
#include "services/ReplyDispatcher.h"

#include <QCoreApplication>
#include <QDir>
#include <QPushButton>
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
using test::Shown;
QString Shown(AppHarness &h, const QStringList &names) { return Shown(h.app().programmer(), names); }

const QList<bool> kLoggedOut(7, false), kLoggedIn(7, true);
const QByteArray kDone = Bytes({0xAA, 0xAA});

void LogIn(AppHarness &h) { h.endpoint.injectReply(CmdLoginStatus, Bytes({255, 255, 0, 0})); }
QList<ShownMessage> Told(const char *text, const char *title) { return {{text, title, MessageIcon::Information}}; }

// A reply, what comes before it, and what the program shows after it: the login state,
// status and controls where given, the messages (none unless given), and further checks.
struct ReplyCase {
    const char *what = nullptr;
    std::function<void(AppHarness &)> before = {};
    quint8 cmd = 0;
    QByteArray data = {};
    std::optional<bool> loggedIn = {};
    const char *status = nullptr;
    QList<bool> controls = {};
    QList<ShownMessage> messages = {};
    std::function<void(AppHarness &)> check = {};
};

const ReplyCase kReplies[] = {
    {.what = "97 fills every field", .cmd = CmdDownloadSettings,
     .data = Hex("001A2B3C4D5E" "0A0000FE" "FFFFFF00" "0A000001" "1000" "1001" "04" "04D2" "3A" "DD" "00" "50" "AC100009"),
     .controls = kLoggedOut, // logged out: the writes stay disabled
     .check =
         [](AppHarness &h) {
             EXPECT_EQ(Shown(h, {"txtMacAddress", "txtIPAddress", "txtSubnetMask", "txtGateway", "txtTcpServer",
                                 "txtUDPLocalPort", "txtUDPRemotePort", "txtUARTTimeout", "cmbUARTBaudrate", "lblFirmware"}),
                       "00.1A.2B.3C.4D.5E 10.0.0.254 255.255.255.0 10.0.0.1 172.16.0.9 4096 4097 1234 9600 3.10");
             EXPECT_EQ(Shown(h, {"Option1", "Option5", "Option7", "Option9", "optCliSer_1", "optProto_0", "optDhcp_1"}),
                       "(o) (o) (o) (o) (o) (o) (o)");
         }},
    {.what = "97 of 8 bytes fills the MAC address and two octets only",
     .before =
         [](AppHarness &h) {
             h.endpoint.injectReply(CmdDownloadSettings, kSampleSettingsBytes);
             LogIn(h);
             Find<QLineEdit>(h.app().programmer(), "txtUDPLocalPort")->setText("777");
         },
     .cmd = CmdDownloadSettings, .data = Bytes({1, 2, 3, 4, 5, 6, 99, 98}),
     .controls = kLoggedIn, // logged in: the writes follow
     .check =
         [](AppHarness &h) {
             EXPECT_EQ(Shown(h, {"txtMacAddress", "txtIPAddress", "txtUDPLocalPort"}), "01.02.03.04.05.06 99.98.0.254 777");
         }},
    {.what = "99 ends the wait only", .cmd = CmdSetDefault, .data = kDone},
    {.what = "106 ends the wait only", .cmd = CmdUploadSource, .data = kDone,
     .check = [](AppHarness &h) { EXPECT_EQ(h.app().sourceIfLoaded(), nullptr); }},
    {.what = "111 ends the wait only", .cmd = CmdUploadBridge, .data = kDone,
     .check = [](AppHarness &h) { EXPECT_EQ(h.app().bridgeIfLoaded(), nullptr); }},
    {.what = "100 accepted: logout and poll, the writes wait for the poll", .cmd = CmdLogin, .data = Bytes({255, 255}),
     .loggedIn = false, .status = "Login done", .controls = {false, false, false, false, false, true, true}},
    {.what = "100 refused", .before = LogIn, .cmd = CmdLogin, .data = Bytes({0, 0}), .status = "Login to be done",
     .controls = {true, true, true, true, true, false, false}},
    {.what = "100 neither yes nor no", .cmd = CmdLogin, .data = Bytes({255, 0}), .status = ""},
    {.what = "101 accepted: the poll confirms the login", .cmd = CmdSetPassword, .data = Bytes({255, 255}),
     .loggedIn = true, .status = "New password set", .controls = {false, false, false, false, false, false, true},
     .messages = Told("New password successfully set!", "Password setting operation")},
    {.what = "101 refused", .before = LogIn, .cmd = CmdSetPassword, .data = Bytes({0, 0}), .loggedIn = false,
     .status = "New password not set",
     .messages = Told("New password setting aborted! Wrong old password typed", "Password setting operation")},
    {.what = "102 logged in, with the login time", .cmd = CmdLoginStatus, .data = Bytes({255, 255, 7, 5}),
     .loggedIn = true, .status = "Login done. [Login time 07:05]", .controls = kLoggedIn},
    {.what = "102 neither yes nor no changes nothing", .before = LogIn, .cmd = CmdLoginStatus,
     .data = Bytes({1, 255, 0, 0}), .loggedIn = true, .controls = kLoggedIn},
    {.what = "102 logged out", .before = LogIn, .cmd = CmdLoginStatus, .data = Bytes({0, 0, 0, 0}), .loggedIn = false,
     .status = "Login to be done", .controls = kLoggedOut},
    {.what = "103 leaves the writes and the poll to the next status", .before = LogIn, .cmd = CmdLogout,
     .data = kDone, .loggedIn = false, .status = "Login to be done",
     .controls = {true, true, true, true, true, false, true}},
    {.what = "105 fills the source filter dialog, made hidden", .cmd = CmdDownloadSource,
     .data = Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}),
     .check =
         [](AppHarness &h) {
             ASSERT_NE(h.app().sourceIfLoaded(), nullptr);
             EXPECT_FALSE(h.app().sourceIfLoaded()->isVisible());
             EXPECT_EQ(Shown(h.app().sourceIfLoaded(), {"txtSourceIP3"}), "9.10.11.12");
         }},
    {.what = "110 fills the bridge dialog, made hidden", .cmd = CmdDownloadBridge,
     .data = Hex("01" "0FA1" "1389138A138B138C138D" "0A000001" "0A000102" "0A000203" "0A000304" "0A000405"),
     .check =
         [](AppHarness &h) {
             ASSERT_NE(h.app().bridgeIfLoaded(), nullptr);
             EXPECT_FALSE(h.app().bridgeIfLoaded()->isVisible());
             EXPECT_EQ(Shown(h.app().bridgeIfLoaded(), {"txtLocalPortB"}), "4001");
         }},
    {.what = "108 confirms and discovers again 2 s later", .cmd = CmdUploadSelected, .data = kDone,
     .messages = Told("Upload device OK", "Command result"),
     .check =
         [](AppHarness &h) {
             EXPECT_EQ(h.app().rediscoveryTimer().interval(), 2000);
             EXPECT_TRUE(h.app().rediscoveryTimer().isCounting());
         }},
    {.what = "109 confirms and discovers again 2 s later", .cmd = CmdFactorySetting, .data = kDone,
     .messages = Told("Factory setting device OK", "Command result"),
     .check = [](AppHarness &h) { EXPECT_TRUE(h.app().rediscoveryTimer().isCounting()); }},
    {.what = "112 flushes the address cache with the script beside the program", .cmd = CmdMacAutomatic,
     .data = kDone,
     .check =
         [](AppHarness &h) {
             ASSERT_EQ(h.processes.started.size(), 1);
             // Windows names the path with its own separators.
             EXPECT_EQ(QDir::fromNativeSeparators(h.processes.started[0].program),
                       QDir(QCoreApplication::applicationDirPath()).filePath(neighbourCacheHelperName()));
         }},
    {.what = "113 too, and a failure to start it is not reported",
     .before = [](AppHarness &h) { h.processes.startSucceeds = false; }, .cmd = CmdMacFromCode, .data = kDone,
     .check = [](AppHarness &h) { EXPECT_EQ(h.processes.started.size(), 1); }},
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
        if (c.loggedIn) {
            EXPECT_EQ(h.state().loggedIn, *c.loggedIn);
        }
        if (c.status) {
            EXPECT_EQ(Shown(h, {"lblLoginStatus"}), c.status);
        }
        if (!c.controls.isEmpty()) {
            EXPECT_EQ(LoginControls(h), c.controls);
        }
        EXPECT_EQ(h.messages.messages, c.messages);
        if (c.check)
            c.check(h);
    }
}

TEST(Dispatcher, OnlyARecognisedReplyWithAKnownCodeEndsTheWait)
{
    AppHarness h;
    ASSERT_TRUE(h.app().link().sendCommand(CmdSetDefault));
    // A damaged frame (the frame rules' own tests have the others), and frames with data the
    // dispatcher does not take or a code it does not know.
    const QList<QByteArray> ignored{Hex("3C246302AAAAB83E"), buildReplyFrame(CmdSetDefault, QByteArray(96, 1)),
                                    buildReplyFrame(CmdBaudOnTheFly, Bytes({0xAA, 0xAA})),
                                    buildReplyFrame(96, Bytes({0xAA, 0xAA})), buildReplyFrame(200, Bytes({0xAA, 0xAA}))};
    for (const QByteArray &d : ignored) {
        h.endpoint.injectDatagram(d);
        EXPECT_TRUE(h.state().commandPending && h.app().replyTimer().isCounting()) << d.toHex().toStdString();
    }
    EXPECT_EQ(h.app().dispatcher().framesRecognised(), 3u); // the three with unknown codes
    h.endpoint.injectDatagram(Hex("3C246302AAAAB93E"));
    EXPECT_FALSE(h.state().commandPending);
}

} // namespace
} // namespace qvx::test
