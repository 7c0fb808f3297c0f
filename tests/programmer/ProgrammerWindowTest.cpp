// The programmer window: its requests and writes byte for byte with the timers around them,
// the checks on typing and on upload, what each reply does to it, and the window itself.
#include "AppHarness.h"
#include "Samples.h"

#include "dialogs/BridgeDialog.h"
#include "dialogs/MacAddressDialog.h"
#include "dialogs/SourceFilterDialog.h"
#include "discovery/DiscoveryWindow.h"
#include "login/LoginDialog.h"
#include "platform/NeighbourCache.h"
#include "programmer/ProgrammerWindow.h"
#include "protocol/Commands.h"
#include "protocol/Frame.h"
#include "protocol/WriteSequence.h"
#include "services/ReplyDispatcher.h"

#include <QCoreApplication>
#include <QDir>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

namespace qvx::test {
namespace {

const QByteArray kLogoutFrame = Hex("3C236702AAAABD3E");
const QString kRangeTitle = QStringLiteral("Attention! - Value out of range");
const QString kNoReply = QStringLiteral("The command has not been executed or not completely succeded");

QString octetMessage(const char *field, int index)
{
    return QStringLiteral("The value selected for %1 field #%2 is out of range. Values allowed are in the interval [0-255]")
        .arg(QLatin1String(field))
        .arg(index);
}

// The program started on test doubles, with the programmer window shown and active.
class ProgrammerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        w().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w()));
    }

    ProgrammerWindow &w() { return *h.app().programmer(); }
    ProgramState &state() { return h.state(); }
    QLineEdit *box(const QString &name) { return Find<QLineEdit>(&w(), name); }
    QPushButton *button(const QString &name) { return Find<QPushButton>(&w(), name); }
    QRadioButton *option(const QString &name) { return Find<QRadioButton>(&w(), name); }
    QComboBox *baudList() { return Find<QComboBox>(&w(), "cmbUARTBaudrate"); }

    // The device says the login holds: the writes are enabled (the poll is stopped again,
    // so that no poll leaves during a test).
    void logIn()
    {
        h.endpoint.injectReply(CmdLoginStatus, Bytes({255, 255, 0, 0}));
        h.app().loginPollTimer().setEnabled(false);
        h.endpoint.clearSent();
    }

    // Fills every device box with an acceptable value, so that leaving a box never trips
    // its check and an upload is accepted.
    void fillValidSettings()
    {
        Fill(&w(), {{"txtMacAddress", "00.01.02.03.04.05"}, {"txtIPAddress", "1.1.1.1"}, {"txtSubnetMask", "1.1.1.1"},
                    {"txtGateway", "1.1.1.1"}, {"txtTcpServer", "1.1.1.1"}, {"txtUDPLocalPort", "4096"},
                    {"txtUDPRemotePort", "4097"}});
    }

    // Types into a box, as after a click into it, and leaves it with the Tab key.
    static void typeAndTab(QLineEdit *box, const QString &text)
    {
        box->setFocus(Qt::MouseFocusReason);
        box->clear();
        QTest::keyClicks(box, text);
        QTest::keyClick(box, Qt::Key_Tab);
    }

    // The expiry of the deferred-write timer, and of the reply timer.
    void fireDeferredWrite() { Q_EMIT h.app().deferredWriteTimer().timeout(); }
    void fireReplyTimeout() { Q_EMIT h.app().replyTimer().timeout(); }

    AppHarness h;
};

using Commands = ProgrammerTest;
using Entry = ProgrammerTest;
using Window = ProgrammerTest;

// ---- Requests and writes ----

// What each button sends at once and, for a write, when the deferred-write timer fires 2 s
// later: to the expected address, each awaiting its reply for 2 s.
TEST_F(Commands, EachButtonSendsItsRequestsToTheExpectedAddress)
{
    logIn();
    const struct { const char *button; QList<QByteArray> now; QByteArray due; } cases[] = {
        {"cmdCommand_a", {Hex("3C236602AAAABC3E"), Hex("3C236102AAAAB73E")}, {}}, // login status, download
        {"cmdLogout", {kLogoutFrame}, {}},
        {"cmdCommand_c", {kLogoutFrame}, Hex("3C236302AAAAB93E")},
        {"cmdResetMacAutomatic", {kLogoutFrame}, Hex("3C237002AAAAC63E")},
        {"cmdSource", {Hex("3C236902AAAABF3E")}, {}}, // the dialogs read their settings first
        {"cmdBridge", {Hex("3C236E02AAAAC43E")}, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.button);
        h.endpoint.clearSent();
        state().commandPending = false;
        button(c.button)->click();
        EXPECT_EQ(h.endpoint.frames(), c.now);
        EXPECT_EQ(h.app().deferredWriteTimer().isCounting(), !c.due.isEmpty());
        if (!c.due.isEmpty()) {
            EXPECT_EQ(h.app().deferredWriteTimer().interval(), 2000);
            fireDeferredWrite();
            EXPECT_FALSE(h.app().deferredWriteTimer().isEnabled());
            EXPECT_EQ(h.endpoint.frames().mid(c.now.size()), QList<QByteArray>{c.due});
        }
        EXPECT_TRUE(state().commandPending);
        EXPECT_EQ(h.app().replyTimer().interval(), 2000);
        for (const auto &sent : h.endpoint.sent)
            EXPECT_TRUE(sent.host == "192.168.0.1" && sent.port == 4096) << sent.host.toStdString() << ':' << sent.port;
    }
    EXPECT_TRUE(button("cmdLogout")->isEnabled()); // the window changes only when the device answers

    // A second write replaces the first.
    h.endpoint.clearSent();
    button("cmdCommand_c")->click();
    button("cmdResetMacAutomatic")->click();
    fireDeferredWrite();
    EXPECT_EQ(h.endpoint.commands(), (QList<int>{103, 103, 112}));

    // No reply is awaited for a baud change; before any choice, the first rate goes.
    h.endpoint.clearSent();
    state().commandPending = false;
    button("Command1")->click();
    baudList()->setCurrentIndex(7);
    for (const char *name : {"Option1", "Option5", "Option7"}) // 7 bit, odd, 2 stop bits
        option(name)->click();
    button("Command1")->click();
    option("Option4")->click(); // even
    option("Option2")->click(); // 8 bit
    button("Command1")->click();
    EXPECT_EQ(h.endpoint.frames(), (QList<QByteArray>{RequestBytes(104, Bytes({0x00, 0xC0})),
                                                      RequestBytes(104, Bytes({0x07, 0xDD})),
                                                      RequestBytes(104, Bytes({0x07, 0xD4}))}));
    EXPECT_FALSE(state().commandPending);
}

TEST_F(Commands, UploadCarriesEveryFieldByteForByte)
{
    Fill(&w(), {{"txtMacAddress", "00.1A.2B.3C.4D.5E"}, {"txtIPAddress", "192.168.1.10"}, {"txtSubnetMask", "255.255.255.0"},
                {"txtGateway", "192.168.1.1"}, {"txtTcpServer", "10.0.0"}, {"txtTcpServer_3", "2.5"},
                {"txtUDPLocalPort", "4096"}, {"txtUDPRemotePort", "65535"}});
    baudList()->setCurrentIndex(4); // "9600": automatic timeout 3250
    for (const char *name : {"Option1", "Option5", "Option7", "Option9", "optCliSer_1", "optProto_0", "optDhcp_1"})
        option(name)->click();
    logIn();
    button("cmdCommand_b")->click();
    fireDeferredWrite();
    ASSERT_EQ(h.endpoint.sent.size(), 2);
    EXPECT_EQ(h.endpoint.sent[1].host, "192.168.0.1");
    const QByteArray expected = Bytes({0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, // MAC
                                       192,  168,  1,    10,               // IP
                                       255,  255,  255,  0,                // mask
                                       192,  168,  1,    1,                // gateway
                                       0x10, 0x00, 0xFF, 0xFF,             // ports
                                       0x04, 0x0C, 0xB2,                   // baud, timeout
                                       0xDD, 0x00, 0x50,                   // format, enable, mode
                                       10,   0,    0,    2,                // server (2.5 rounds to 2)
                                       0x00});
    EXPECT_EQ(h.endpoint.sent[1].datagram.toHex(' '), RequestBytes(98, expected).toHex(' '));

    // The defaults: format 0xC0, "Enable" 1, no mode flag; four empty server boxes are 0.0.0.0.
    for (const char *name : {"Option2", "Option3", "Option6", "Option8", "optCliSer_0", "optDhcp_0"})
        option(name)->click();
    Fill(&w(), {{"txtTcpServer", "..."}});
    button("cmdCommand_b")->click();
    fireDeferredWrite();
    ASSERT_EQ(h.endpoint.sent.size(), 4);
    EXPECT_EQ(h.endpoint.sent[3].datagram.mid(4 + 25, 7), Bytes({0xC0, 0x01, 0x00, 0, 0, 0, 0}));
}

// A value that does not fit its bytes is refused at the click, and again when the timer
// fires if it was typed during the wait; no settings leave either time. (Each field's
// bounds are the field rules' own tests.)
TEST_F(Commands, UploadRefusesValuesThatDoNotFitTheirBytes)
{
    const struct { const char *box, *text, *message; } cases[] = {
        {"txtUDPRemotePort", "1e300", "Device Remote Port Number Error"},
        {"txtUARTTimeout", "70000", "Device UART RX Timeout Error"},
        {"txtIPAddress_1", "256", "Device IP-Address Error"},
        {"txtMacAddress_3", "ZZ", "Device Mac-Address Error"},
        {"txtTcpServer_0", "", "Server remote IP-Address Error"},
        {"txtTcpServer_2", "12abc", "Server remote IP-Address Error"},
        {"txtTcpServer_3", "256", "Server remote IP-Address Error"},
    };
    option("optUARTManualTout")->click();
    logIn();
    for (const auto &c : cases) {
        for (bool atTheClick : {true, false}) {
            SCOPED_TRACE(testing::Message() << c.box << " = " << c.text << (atTheClick ? " at the click" : " later"));
            fillValidSettings();
            box("txtUARTTimeout")->setText("1000");
            h.endpoint.clearSent();
            h.messages.clear();
            if (atTheClick)
                box(c.box)->setText(QString::fromLatin1(c.text));
            button("cmdCommand_b")->click();
            if (!atTheClick) {
                box(c.box)->setText(QString::fromLatin1(c.text));
                fireDeferredWrite();
            }
            ASSERT_EQ(h.messages.messages.size(), 1);
            EXPECT_EQ(h.messages.messages[0].title, "Message Warning");
            EXPECT_TRUE(h.messages.lastText().startsWith(QString::fromLatin1(c.message)))
                << h.messages.lastText().toStdString();
            EXPECT_EQ(h.endpoint.commands(), atTheClick ? QList<int>{} : QList<int>{CmdLogout});
            EXPECT_FALSE(h.app().deferredWriteTimer().isEnabled());
        }
    }

    // Several bad fields: the first in upload order is the one reported.
    const std::pair<const char *, const char *> firstBad[] = {
        {"txtGateway_1", "Device Gateway Error"}, {"txtUDPRemotePort", "Device Remote Port Number Error"},
        {"txtTcpServer_0", "Server remote IP-Address Error"}};
    fillValidSettings();
    box("txtTcpServer_0")->clear();
    box("txtUDPRemotePort")->setText("70000");
    box("txtGateway_1")->setText("256");
    for (const auto &[name, message] : firstBad) {
        h.messages.clear();
        button("cmdCommand_b")->click();
        EXPECT_TRUE(h.messages.lastText().startsWith(QString::fromLatin1(message))) << name;
        box(name)->setText("7");
    }
}

// After the device confirms an upload, requests go to the address that the upload carried:
// the boxes as they were when the write left, not at the press nor at the confirmation.
TEST_F(Commands, TheConfirmedUploadIsFollowedToTheAddressItCarried)
{
    h.endpoint.injectReply(CmdUploadSettings, Bytes({0xAA, 0xAA})); // nothing uploaded yet
    EXPECT_EQ(Shown(&w(), {"txtExpIPAddress"}), "192.168.0.1");

    fillValidSettings();
    Fill(&w(), {{"txtIPAddress", "10.1.2.3"}});
    logIn();
    button("cmdCommand_b")->click();
    Fill(&w(), {{"txtIPAddress", "10.9.9.9"}}); // between the press and the send
    fireDeferredWrite();
    ASSERT_EQ(h.endpoint.sent.size(), 2);
    EXPECT_EQ(h.endpoint.sent[1].datagram.mid(4 + 6, 4), Bytes({10, 9, 9, 9}));
    Fill(&w(), {{"txtIPAddress", "172.16.0.5"}}); // between the send and the confirmation
    h.endpoint.injectReply(CmdUploadSettings, Bytes({0xAA, 0xAA}));
    EXPECT_EQ(Shown(&w(), {"txtExpIPAddress"}), "10.9.9.9");
    h.endpoint.clearSent();
    button("cmdCommand_a")->click();
    ASSERT_EQ(h.endpoint.sent.size(), 2);
    EXPECT_EQ(h.endpoint.sent[1].host, "10.9.9.9");
}

// (What ends the report, a reply or a request of the user's, is the dispatcher's and the
// link's own tests.)
TEST_F(Commands, AnUnansweredRequestIsReportedOnce)
{
    fireReplyTimeout(); // nothing pending
    EXPECT_TRUE(h.messages.messages.isEmpty());

    h.app().loginPollTimer().setInterval(1);
    for (int poll = 0; poll < 4; ++poll) {
        w().pollLogin();
        EXPECT_TRUE(h.app().replyTimer().isCounting());
        fireReplyTimeout();
    }
    EXPECT_EQ(h.app().loginPollTimer().interval(), 1000);
    EXPECT_EQ(h.endpoint.frames(), QList<QByteArray>(4, Hex("3C236602AAAABC3E")));
    EXPECT_EQ(h.messages.messages, (QList<ShownMessage>{{kNoReply, "Attention!", MessageIcon::Critical}}));
}

// ---- Typing ----

// Leaving a box checks it: an accepted value stays as typed; a refused one is emptied with a
// warning naming the box, and an octet box keeps the focus (the timeout box lets it go).
TEST_F(Entry, BoxesAreCheckedOnLeaving)
{
    const QList<std::pair<const char *, bool>> octets{
        {"", false}, {"256", false}, {"255", true}, {"255.4", true}, {"255.5", false},
        {"-0.4", false}, {"12abc", true}, {"abc", true}, {"1e2", true}, {"1e3", false},
    };
    const struct { const char *box; QString refusal; bool holdsFocus; QList<std::pair<const char *, bool>> cases; } boxes[] = {
        {"txtExpIPAddress_0", octetMessage("IP-Address", 0), true, octets},
        {"txtIPAddress_2", octetMessage("IP-Address", 2), true, octets},
        {"txtSubnetMask_1", octetMessage("Subnet Mask", 1), true, octets},
        {"txtGateway_3", octetMessage("Gateway", 3), true, octets},
        {"txtUARTTimeout",
         "The value selected for UART Timeout is out of range. Values allowed are in the interval [50-65535]", false,
         {{"49.9", false}, {"50", true}, {"65535", true}, {"65535.4", false}, {"65536", false}, {"", false}, {"12abc", false}}},
        {"txtUDPLocalPort", "", false, {{"70000", true}}}, // the port boxes have no leaving check
    };
    fillValidSettings();
    option("optUARTManualTout")->click();
    for (const auto &b : boxes) {
        QLineEdit *entry = box(b.box);
        for (const auto &[text, accepted] : b.cases) {
            SCOPED_TRACE(testing::Message() << b.box << " = \"" << text << '"');
            h.messages.clear();
            typeAndTab(entry, QString::fromLatin1(text));
            EXPECT_EQ(entry->hasFocus(), !accepted && b.holdsFocus);
            EXPECT_EQ(entry->text(), accepted ? QString::fromLatin1(text) : QString());
            const QList<ShownMessage> refusal{{b.refusal, kRangeTitle, MessageIcon::Exclamation}};
            EXPECT_EQ(h.messages.messages, accepted ? QList<ShownMessage>{} : refusal);
        }
        typeAndTab(entry, QStringLiteral("100"));
    }
}

TEST_F(Entry, RequestsGoToTheExpectedAddressAsTyped)
{
    QLineEdit *last = box("txtExpIPAddress_3");
    last->setFocus(Qt::MouseFocusReason);
    last->clear();
    QTest::keyClicks(last, QStringLiteral("25")); // not left yet
    button("cmdCommand_a")->click();
    EXPECT_EQ(h.endpoint.lastHost(), "192.168.0.25");

    // A refused octet empties its box, and requests follow the emptied box.
    typeAndTab(box("txtExpIPAddress_1"), QStringLiteral("300"));
    button("cmdCommand_a")->click();
    EXPECT_EQ(h.endpoint.lastHost(), "192.0.0.25");
}

// A refused box keeps the focus without a second warning from the box the focus was
// going to, and losing the window is not leaving the box.
TEST_F(Entry, TwoEmptyBoxesDoNotBounceTheFocusNorDoesLosingTheWindow)
{
    // At start every device address box is empty.
    QLineEdit *first = box("txtIPAddress_0");
    first->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(first, Qt::Key_Tab);
    ASSERT_EQ(h.messages.texts(), QStringList{octetMessage("IP-Address", 0)});
    EXPECT_TRUE(first->hasFocus());

    // Clicking the next empty box is refused the same way, once.
    QTest::mouseClick(box("txtIPAddress_1"), Qt::LeftButton);
    EXPECT_EQ(h.messages.texts(), QStringList(2, octetMessage("IP-Address", 0)));
    EXPECT_TRUE(first->hasFocus());

    // Backwards too: the mask box before it is not checked on the way back.
    box("txtSubnetMask_0")->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(h.messages.messages.size(), 3);
    EXPECT_TRUE(first->hasFocus());

    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    w().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w()));
    EXPECT_TRUE(first->hasFocus());
    EXPECT_EQ(h.messages.messages.size(), 3);

    QTest::keyClicks(first, QStringLiteral("10"));
    QTest::keyClick(first, Qt::Key_Tab);
    EXPECT_EQ(h.messages.messages.size(), 3);
    EXPECT_TRUE(box("txtIPAddress_1")->hasFocus());
}

TEST_F(Entry, TheBaudRateShowsItsAutomaticTimeoutUnlessInManualMode)
{
    QLineEdit *timeout = box("txtUARTTimeout");
    const char *automatic[] = {"48750", "24375", "13000", "6500", "3250", "1625", "813", "541", "271"};
    for (int index = 0; index < 9; ++index) {
        baudList()->setCurrentIndex(index);
        EXPECT_EQ(timeout->text(), automatic[index]) << index;
    }
    baudList()->setCurrentIndex(4);
    EXPECT_FALSE(timeout->isEnabled());

    option("optUARTManualTout")->click();
    EXPECT_TRUE(timeout->isEnabled());
    timeout->setText(QStringLiteral("777"));
    baudList()->setCurrentIndex(2);
    EXPECT_EQ(timeout->text(), "777");

    // Back in automatic mode the box is disabled and keeps its text; picking the rate
    // already shown applies its timeout.
    option("optUARTAutoTout")->click();
    EXPECT_FALSE(timeout->isEnabled());
    EXPECT_EQ(timeout->text(), "777");
    Q_EMIT baudList()->activated(2);
    EXPECT_EQ(timeout->text(), "13000");
}

// A settings reply refills the list: only its final selection counts, and a code the list
// does not hold leaves it without selection while the upload keeps the rate chosen before.
TEST_F(Entry, ASettingsReplyRefillsTheBaudList)
{
    baudList()->setCurrentIndex(2);
    QSignalSpy timeoutChanges(box("txtUARTTimeout"), &QLineEdit::textChanged);
    SettingsBlock s = SampleSettings();
    s.baudCode = 8;
    h.endpoint.injectReply(CmdDownloadSettings, encodeSettingsBlock(s).left(23)); // up to the baud code
    EXPECT_EQ(baudList()->count(), 9);
    EXPECT_EQ(baudList()->currentText(), "115200");
    ASSERT_EQ(timeoutChanges.count(), 1); // no pass through the first item's timeout
    EXPECT_EQ(timeoutChanges[0][0].toString(), "271");

    s.baudCode = 200;
    h.endpoint.injectReply(CmdDownloadSettings, encodeSettingsBlock(s));
    EXPECT_EQ(baudList()->count(), 9);
    EXPECT_EQ(baudList()->currentIndex(), -1);
    logIn();
    button("cmdCommand_b")->click();
    fireDeferredWrite();
    ASSERT_EQ(h.endpoint.commands(), (QList<int>{103, 98}));
    EXPECT_EQ(quint8(h.endpoint.frames()[1][4 + 22]), 8);
}

// ---- Replies ----

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
    // (The delay itself, and what the discovery window does then, are the window's own tests.)
    {.what = "108 confirms and discovers again 2 s later", .cmd = CmdUploadSelected, .data = kDone,
     .messages = Told("Upload device OK", "Command result"),
     .check = [](AppHarness &h) { EXPECT_TRUE(h.app().rediscoveryTimer().isCounting()); }},
    {.what = "109 too", .cmd = CmdFactorySetting, .data = kDone,
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

// ---- The window ----

TEST(WindowStart, AHiddenWindowNeverActivatedDoesNotPollAndSendsNothing)
{
    AppHarness hidden(true, false);
    EXPECT_FALSE(hidden.app().loginPollTimer().isEnabled());
    EXPECT_FALSE(Find<QPushButton>(hidden.app().programmer(), "cmdLogout")->isEnabled());
    EXPECT_EQ(hidden.endpoint.boundPort, 65000);
    EXPECT_TRUE(hidden.endpoint.sent.isEmpty());
}

// Each button opens its window, none of them modal; "Exit" closes them first and ends the
// program, as the title bar does.
TEST_F(Window, EachButtonOpensItsWindowWithoutBlockingThisOneAndExitEndsTheProgram)
{
    logIn();
    const struct { const char *button; std::function<QWidget *()> opened; } cases[] = {
        {"cmdLogin", [&]() -> QWidget * { return h.app().loginIfLoaded(); }},
        {"cmdDiscovery", [&]() -> QWidget * { return h.app().discoveryIfLoaded(); }},
        {"cmdResetMacManual", [&]() -> QWidget * { return h.app().macAddressIfLoaded(); }},
        {"cmdSource", [&]() -> QWidget * { return h.app().sourceIfLoaded(); }},
        {"cmdBridge", [&]() -> QWidget * { return h.app().bridgeIfLoaded(); }},
    };
    for (const auto &c : cases) {
        QTest::mouseClick(button(c.button), Qt::LeftButton);
        ASSERT_NE(c.opened(), nullptr) << c.button;
        EXPECT_TRUE(c.opened()->isVisible()) << c.button;
        EXPECT_FALSE(c.opened()->isModal()) << c.button;
    }

    QSignalSpy exits(&h.app(), &AppContext::exitRequested);
    QTest::mouseClick(button("cmdExit"), Qt::LeftButton);
    EXPECT_EQ(exits.count(), 1);
    EXPECT_EQ(h.app().discoveryIfLoaded(), nullptr);
    w().close();
    EXPECT_EQ(exits.count(), 2);
}

} // namespace
} // namespace qvx::test
