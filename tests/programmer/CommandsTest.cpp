// The programmer window's requests and writes, byte for byte, and the timers around them.
#include "ProgrammerFixture.h"

#include <QSignalSpy>

namespace qvx::test {
namespace {

const QString kNoReply = QStringLiteral("The command has not been executed or not completely succeded");

using Commands = ProgrammerTest;

TEST_F(Commands, DownloadLogoutAndBaudChangeOnTheFly)
{
    button("cmdCommand_a")->click();
    EXPECT_EQ(h.endpoint.frames(), (QList<QByteArray>{Hex("3C236602AAAABC3E"), Hex("3C236102AAAAB73E")}));
    EXPECT_EQ(h.endpoint.sent[1].host, "192.168.0.1");
    EXPECT_EQ(h.endpoint.sent[1].port, 4096);
    EXPECT_TRUE(state().commandPending);
    EXPECT_EQ(h.app().replyTimer().interval(), 2000);

    logIn();
    button("cmdLogout")->click();
    EXPECT_EQ(h.endpoint.frames(), QList<QByteArray>{kLogoutFrame});
    EXPECT_TRUE(button("cmdLogout")->isEnabled()); // the window changes only when the device answers

    // No reply is awaited for a baud change; before any choice, the first rate goes.
    h.endpoint.clearSent();
    state().commandPending = false;
    button("Command1")->click();
    Find<QComboBox>(&w(), "cmbUARTBaudrate")->setCurrentIndex(7);
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

// Each write: the logout at once, the write itself when the deferred-write timer fires.
TEST_F(Commands, WritesLogOutNowAndWriteWhenTheTimerFires)
{
    fillValidSettings();
    logIn();
    const std::pair<const char *, int> writes[] = {{"cmdCommand_b", 98}, {"cmdCommand_c", 99},
                                                   {"cmdResetMacAutomatic", 112}};
    for (const auto &[name, code] : writes) {
        SCOPED_TRACE(code);
        h.endpoint.clearSent();
        button(name)->click();
        EXPECT_EQ(h.endpoint.frames(), QList<QByteArray>{kLogoutFrame});
        EXPECT_EQ(h.app().deferredWriteTimer().interval(), 2000);
        EXPECT_TRUE(h.app().deferredWriteTimer().isCounting());
        fireDeferredWrite();
        EXPECT_FALSE(h.app().deferredWriteTimer().isEnabled());
        ASSERT_EQ(h.endpoint.commands(), (QList<int>{103, code}));
        if (code != 98) {
            EXPECT_EQ(h.endpoint.frames()[1], RequestBytes(quint8(code), Bytes({0xAA, 0xAA})));
        }
        EXPECT_TRUE(state().commandPending);
    }
}

TEST_F(Commands, UploadCarriesEveryFieldByteForByte)
{
    setBoxes("txtMacAddress", "00.1A.2B.3C.4D.5E");
    setBoxes("txtIPAddress", "192.168.1.10");
    setBoxes("txtSubnetMask", "255.255.255.0");
    setBoxes("txtGateway", "192.168.1.1");
    setBoxes("txtTcpServer", "10.0.0.0");
    box("txtTcpServer_3")->setText("2.5");
    box("txtUDPLocalPort")->setText("4096");
    box("txtUDPRemotePort")->setText("65535");
    Find<QComboBox>(&w(), "cmbUARTBaudrate")->setCurrentIndex(4); // "9600": automatic timeout 3250
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
    setBoxes("txtTcpServer", "...");
    button("cmdCommand_b")->click();
    fireDeferredWrite();
    ASSERT_EQ(h.endpoint.sent.size(), 4);
    EXPECT_EQ(h.endpoint.sent[3].datagram.mid(4 + 25, 7), Bytes({0xC0, 0x01, 0x00, 0, 0, 0, 0}));
}

// A value that does not fit its bytes is refused at the click, and again when the timer
// fires if it was typed during the wait; no settings leave either time.
TEST_F(Commands, UploadRefusesValuesThatDoNotFitTheirBytes)
{
    const struct { const char *box, *text, *message; } cases[] = {
        {"txtUDPLocalPort", "65536", "Device Local Port Number Error"},
        {"txtUDPRemotePort", "1e300", "Device Remote Port Number Error"},
        {"txtUARTTimeout", "70000", "Device UART RX Timeout Error"},
        {"txtIPAddress_1", "256", "Device IP-Address Error"},
        {"txtSubnetMask_0", "-1", "Device Subnet Mask Error"},
        {"txtGateway_2", "300", "Device Gateway Error"},
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
            EXPECT_EQ(h.messages.messages[0].title, kRefusedTitle);
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
    EXPECT_EQ(dotted("txtExpIPAddress"), "192.168.0.1");

    fillValidSettings();
    setBoxes("txtIPAddress", "10.1.2.3");
    logIn();
    button("cmdCommand_b")->click();
    setBoxes("txtIPAddress", "10.9.9.9"); // between the press and the send
    fireDeferredWrite();
    ASSERT_EQ(h.endpoint.sent.size(), 2);
    EXPECT_EQ(h.endpoint.sent[1].datagram.mid(4 + 6, 4), Bytes({10, 9, 9, 9}));
    setBoxes("txtIPAddress", "172.16.0.5"); // between the send and the confirmation
    h.endpoint.injectReply(CmdUploadSettings, Bytes({0xAA, 0xAA}));
    EXPECT_EQ(dotted("txtExpIPAddress"), "10.9.9.9");
    EXPECT_EQ(state().deviceAddress, (std::array<qint16, 4>{10, 9, 9, 9}));
    h.endpoint.clearSent();
    button("cmdCommand_a")->click();
    ASSERT_EQ(h.endpoint.sent.size(), 2);
    EXPECT_EQ(h.endpoint.sent[1].host, "10.9.9.9");
}

TEST_F(Commands, ASendErrorIsShownAndLeavesTheReplyWaitAsItWas)
{
    h.endpoint.failSend = true;
    button("cmdCommand_a")->click(); // 102 through sendCommand, then 97
    const QString unreachable = QStringLiteral("Network is unreachable");
    EXPECT_EQ(h.messages.messages, (QList<ShownMessage>{{unreachable, "Errore  10051", MessageIcon::Exclamation},
                                                         {unreachable, "Errore 10051", MessageIcon::Exclamation}}));
    EXPECT_FALSE(state().commandPending);
    EXPECT_FALSE(h.app().replyTimer().isCounting());

    h.endpoint.failSend = false;
    button("cmdCommand_c")->click();
    h.app().replyTimer().setInterval(1500);
    h.endpoint.failSend = true;
    fireDeferredWrite(); // 99 fails
    EXPECT_EQ(h.messages.messages.last().title, "Errore  10051");
    EXPECT_TRUE(state().commandPending);
    EXPECT_EQ(h.app().replyTimer().interval(), 1500);
    EXPECT_TRUE(h.app().replyTimer().isEnabled());
}

TEST_F(Commands, AnUnansweredRequestIsReportedOnceUntilTheDeviceAnswersAgain)
{
    w().onReplyTimeout(); // nothing pending
    EXPECT_TRUE(h.messages.messages.isEmpty());
    EXPECT_EQ(h.app().discoveryIfLoaded(), nullptr);

    h.app().loginPollTimer().setInterval(1);
    for (int poll = 0; poll < 4; ++poll) {
        w().pollLogin();
        EXPECT_TRUE(h.app().replyTimer().isCounting());
        w().onReplyTimeout();
    }
    EXPECT_EQ(h.app().loginPollTimer().interval(), 1000);
    EXPECT_EQ(h.endpoint.frames(), QList<QByteArray>(4, Hex("3C236602AAAABC3E")));
    EXPECT_EQ(h.messages.texts(), QStringList{kNoReply});
    EXPECT_EQ(h.messages.messages[0].title, "Attention!");

    // Once the device answers, a later silence is reported anew; so is the next request the
    // user makes.
    h.endpoint.injectReply(CmdLoginStatus, Hex("00000102"));
    EXPECT_FALSE(state().commandPending);
    w().pollLogin();
    w().onReplyTimeout();
    button("cmdCommand_c")->click();
    w().onReplyTimeout();
    EXPECT_EQ(h.messages.texts(), (QStringList{kNoReply, kNoReply, kNoReply}));
}

// The real timers: a second write replaces the first; the write timer, then the reply timer
// of the write, each fire once.
TEST_F(Commands, TheWriteAndReplyTimersFireOnce)
{
    logIn();
    button("cmdCommand_c")->click();
    button("cmdResetMacAutomatic")->click();
    IntervalTimer::setSpeedup(100);
    h.app().deferredWriteTimer().setInterval(1999); // restart with the shortened wait
    h.app().deferredWriteTimer().setInterval(2000);
    QSignalSpy written(&h.app().deferredWriteTimer(), &IntervalTimer::timeout);
    const bool wrote = written.wait(2000);
    h.app().replyTimer().setInterval(1999);
    const bool reported = QTest::qWaitFor([&] { return !h.messages.messages.isEmpty(); }, 2000);
    QTest::qWait(100); // five times the shortened wait
    IntervalTimer::setSpeedup(1);
    ASSERT_TRUE(wrote && reported);
    EXPECT_EQ(written.size(), 1);
    EXPECT_EQ(h.endpoint.commands(), (QList<int>{103, 103, 112}));
    EXPECT_EQ(h.messages.texts(), QStringList{kNoReply});
    EXPECT_FALSE(h.app().deferredWriteTimer().isEnabled());
    EXPECT_FALSE(h.app().replyTimer().isEnabled());
}

} // namespace
} // namespace qvx::test
