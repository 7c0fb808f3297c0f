// The programmer window: its requests and writes byte for byte with the timers around them,
// the checks on typing and on upload, and the window itself.
#include "Samples.h"
#include "UnderWine.h"
#include "WindowControls.h"

#include "dialogs/BridgeDialog.h"
#include "dialogs/MacAddressDialog.h"
#include "dialogs/SourceFilterDialog.h"
#include "discovery/DiscoveryWindow.h"
#include "login/LoginDialog.h"
#include "programmer/ProgrammerWindow.h"
#include "protocol/Commands.h"
#include "protocol/WriteSequence.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

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

// ---- The window ----

TEST(WindowStart, AHiddenWindowNeverActivatedDoesNotPollAndSendsNothing)
{
    AppHarness hidden(true, false);
    EXPECT_FALSE(hidden.app().loginPollTimer().isEnabled());
    EXPECT_FALSE(Find<QPushButton>(hidden.app().programmer(), "cmdLogout")->isEnabled());
    EXPECT_EQ(hidden.endpoint.boundPort, 65000);
    EXPECT_TRUE(hidden.endpoint.sent.isEmpty());
}

TEST_F(Window, FitsALaptopScreenWithEveryCaptionWhole)
{
    if (runningUnderWine())
        GTEST_SKIP() << "measured with Wine's fonts, not Windows's";
    const QSize hint = w().sizeHint();
    EXPECT_LE(hint.width(), 1366);
    EXPECT_LE(hint.height(), 700); // leaves room for a title bar and a task bar
    w().resize(hint);
    QTest::qWait(0);
    for (QWidget *widget : w().findChildren<QWidget *>()) {
        auto *label = qobject_cast<QLabel *>(widget);
        if (widget->isVisible() && (qobject_cast<QAbstractButton *>(widget) || (label && !label->wordWrap()))) {
            EXPECT_GE(widget->width(), widget->sizeHint().width()) << widget->objectName().toStdString();
        }
    }
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
