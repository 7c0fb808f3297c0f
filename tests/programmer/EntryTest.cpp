#include "ProgrammerFixture.h"

#include "protocol/Layouts.h"

#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>

#include <limits>

namespace qvx::test {
namespace {

const QString kRangeTitle = QStringLiteral("Attention! - Value out of range");

QString octetMessage(const char *field, int index)
{
    return QStringLiteral("The value selected for %1 field #%2 is out of range. Values allowed are in the interval [0-255]")
        .arg(QLatin1String(field))
        .arg(index);
}

// ---- Expected device address: every change re-aims the endpoint ----

using ExpectedAddress = ProgrammerTest;

TEST_F(ExpectedAddress, EveryKeystrokeReaimsTheEndpoint)
{
    QLineEdit *box = w().txtExpIPAddress[3];
    focusBox(box);
    box->clear();
    EXPECT_EQ(h.endpoint.remoteHost(), QStringLiteral("192.168.0.0"));

    QStringList aimedAt;
    // Connected after the window's own handling, so it sees the endpoint as left by it.
    QObject::connect(box, &QLineEdit::textChanged, box, [&] { aimedAt << h.endpoint.remoteHost(); });
    const int closes = h.endpoint.closeCount;
    const int binds = h.endpoint.bindCount;
    QTest::keyClicks(box, QStringLiteral("25"));
    EXPECT_EQ(aimedAt, (QStringList{"192.168.0.2", "192.168.0.25"}));
    EXPECT_EQ(h.endpoint.closeCount - closes, 2);
    EXPECT_EQ(h.endpoint.bindCount - binds, 2);
    EXPECT_EQ(h.endpoint.remotePort(), 4096);
    EXPECT_EQ(state().DeviceIpOctet[3], 25);

    // Requests go to the new address; a second request does not re-aim.
    w().cmdCommand_a->click();
    w().cmdCommand_a->click();
    ASSERT_EQ(h.endpoint.sent.size(), 4);
    for (const auto &sent : h.endpoint.sent) {
        EXPECT_EQ(sent.host, QStringLiteral("192.168.0.25"));
        EXPECT_EQ(sent.port, 4096);
    }
    EXPECT_EQ(h.endpoint.closeCount - closes, 2);
    EXPECT_EQ(h.endpoint.bindCount - binds, 2);
}

// ---- Octet boxes: store and leaving check ----

struct OctetCase {
    const char *text;
    bool accepted;
    qint16 stored; // the field afterwards
};

const OctetCase kOctetCases[] = {
    {"", false, 0},       {"256", false, 0},    {"255", true, 255},  {"0", true, 0},
    {"255.4", true, 255}, {"255.6", false, 0},  {"-0.4", false, 0},  {"12abc", true, 12},
    {"abc", true, 0},     {"1e2", true, 100},   {"1e3", false, 0},   {"2.5", true, 2},
    {"-1", false, 0},     {"99999999999", false, 0}, {"255.5", false, 0}, {"254.5", true, 254},
};

struct OctetFamilyCase {
    const char *family;
    const char *messageField;
    int index;
};

class OctetEntry : public ProgrammerTest, public ::testing::WithParamInterface<OctetFamilyCase> {
protected:
    QLineEdit *box()
    {
        const OctetFamilyCase &f = GetParam();
        const QString name = QStringLiteral("%1_%2").arg(QLatin1String(f.family)).arg(f.index);
        return w().findChild<QLineEdit *>(name);
    }
    qint16 field()
    {
        const OctetFamilyCase &f = GetParam();
        const QString family = QLatin1String(f.family);
        if (family == QLatin1String("txtExpIPAddress"))
            return state().DeviceIpOctet[f.index];
        if (family == QLatin1String("txtIPAddress"))
            return w().DeviceIp[f.index];
        if (family == QLatin1String("txtSubnetMask"))
            return w().DeviceMask[f.index];
        return w().DeviceGateway[f.index];
    }
};

TEST_P(OctetEntry, StoresOnEveryChangeAndChecksOnLeaving)
{
    fillValidSettings();
    QLineEdit *const target = box();
    ASSERT_NE(target, nullptr);
    for (const OctetCase &c : kOctetCases) {
        SCOPED_TRACE(c.text);
        h.messages.clear();
        typeAndTab(target, QString::fromLatin1(c.text));
        EXPECT_EQ(field(), c.stored);
        if (c.accepted) {
            EXPECT_TRUE(h.messages.messages.isEmpty());
            EXPECT_EQ(target->text(), QString::fromLatin1(c.text)); // kept as typed
            EXPECT_FALSE(target->hasFocus());
        } else {
            ASSERT_EQ(h.messages.messages.size(), 1);
            EXPECT_EQ(h.messages.messages[0].text, octetMessage(GetParam().messageField, GetParam().index));
            EXPECT_EQ(h.messages.messages[0].title, kRangeTitle);
            EXPECT_EQ(h.messages.messages[0].icon, MessageIcon::Exclamation);
            EXPECT_TRUE(target->text().isEmpty());
            EXPECT_TRUE(target->hasFocus());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Families, OctetEntry,
                         ::testing::Values(OctetFamilyCase{"txtExpIPAddress", "IP-Address", 0},
                                           OctetFamilyCase{"txtIPAddress", "IP-Address", 2},
                                           OctetFamilyCase{"txtSubnetMask", "Subnet Mask", 1},
                                           OctetFamilyCase{"txtGateway", "Gateway", 3}));

TEST_F(ExpectedAddress, ARefusedBoxIsEmptiedAndTheEndpointFollows)
{
    typeAndTab(w().txtExpIPAddress[1], QStringLiteral("300"));
    EXPECT_EQ(h.messages.lastText(), octetMessage("IP-Address", 1));
    EXPECT_EQ(h.endpoint.remoteHost(), QStringLiteral("192.0.0.1"));
    EXPECT_TRUE(w().txtExpIPAddress[1]->hasFocus());
}

using OctetLeaving = ProgrammerTest;

TEST_F(OctetLeaving, TwoEmptyBoxesDoNotBounceTheFocus)
{
    // At start every device address box is empty.
    focusBox(w().txtIPAddress[0]);
    QTest::keyClick(w().txtIPAddress[0], Qt::Key_Tab);
    ASSERT_EQ(h.messages.messages.size(), 1);
    EXPECT_EQ(h.messages.lastText(), octetMessage("IP-Address", 0));
    EXPECT_TRUE(w().txtIPAddress[0]->hasFocus());

    // Clicking the next empty box is refused the same way, once.
    QTest::mouseClick(w().txtIPAddress[1], Qt::LeftButton);
    ASSERT_EQ(h.messages.messages.size(), 2);
    EXPECT_EQ(h.messages.lastText(), octetMessage("IP-Address", 0));
    EXPECT_TRUE(w().txtIPAddress[0]->hasFocus());

    // Backwards too: the mask box before it is not checked on the way back.
    w().txtSubnetMask[0]->setFocus(Qt::MouseFocusReason); // leaves txtIPAddress_0 empty once more
    EXPECT_EQ(h.messages.messages.size(), 3);
    EXPECT_TRUE(w().txtIPAddress[0]->hasFocus());
    QTest::keyClicks(w().txtIPAddress[0], QStringLiteral("10"));
    QTest::keyClick(w().txtIPAddress[0], Qt::Key_Tab);
    EXPECT_EQ(h.messages.messages.size(), 3);
    EXPECT_TRUE(w().txtIPAddress[1]->hasFocus());
}

TEST_F(OctetLeaving, LosingTheWindowIsNotLeavingTheBox)
{
    focusBox(w().txtGateway[0]); // empty
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_TRUE(h.messages.messages.isEmpty());

    w().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w()));
    EXPECT_TRUE(w().txtGateway[0]->hasFocus());
    EXPECT_TRUE(h.messages.messages.isEmpty());
}

// ---- UART timeout ----

struct TimeoutCase {
    const char *text;
    bool accepted;
};

using TimeoutEntry = ProgrammerTest;

TEST_F(TimeoutEntry, ChecksTheRangeOnLeavingWithoutHoldingTheFocus)
{
    fillValidSettings();
    w().optUARTManualTout->click();
    const TimeoutCase cases[] = {{"40", false},   {"49.9", false}, {"50", true},   {"65535", true},
                                 {"65535.4", false}, {"65536", false}, {"", false}, {"1e3", true},
                                 {"12abc", false}, {"3250", true}};
    for (const TimeoutCase &c : cases) {
        SCOPED_TRACE(c.text);
        h.messages.clear();
        typeAndTab(w().txtUARTTimeout, QString::fromLatin1(c.text));
        EXPECT_FALSE(w().txtUARTTimeout->hasFocus());
        if (c.accepted) {
            EXPECT_TRUE(h.messages.messages.isEmpty());
            EXPECT_EQ(w().txtUARTTimeout->text(), QString::fromLatin1(c.text));
        } else {
            ASSERT_EQ(h.messages.messages.size(), 1);
            EXPECT_EQ(h.messages.lastText(), QStringLiteral("The value selected for UART Timeout is out of range. "
                                                            "Values allowed are in the interval [50-65535]"));
            EXPECT_EQ(h.messages.messages[0].title, kRangeTitle);
            EXPECT_EQ(h.messages.messages[0].icon, MessageIcon::Exclamation);
            EXPECT_TRUE(w().txtUARTTimeout->text().isEmpty());
            EXPECT_EQ(w().UartTimeout, 0);
            EXPECT_EQ(w().UartTimeoutHigh, 0);
            EXPECT_EQ(w().UartTimeoutLow, 0);
        }
    }
}

// ---- Word and hexadecimal stores ----

struct WordCase {
    const char *text;
    qint32 value, high, low;
};

TEST_F(TimeoutEntry, WordStoreSplitsIntoBytesRoundingDown)
{
    constexpr qint32 kMax = std::numeric_limits<qint32>::max();
    constexpr qint32 kMin = std::numeric_limits<qint32>::min();
    const WordCase cases[] = {
        {"4096", 4096, 16, 0},
        {"65535", 65535, 255, 255},
        {"70000", 70000, 273, 112},
        {"", 0, 0, 0},
        {"255.5", 256, 1, 0},
        {"-1", -1, -1, 255},
        {"-256", -256, -1, 0},
        {"-257", -257, -2, 255},
        {"99999999999", kMax, kMax / 256, 255},
        {"-1e300", kMin, kMin / 256, 0},
    };
    w().optUARTManualTout->click();
    for (const WordCase &c : cases) {
        SCOPED_TRACE(c.text);
        const QString text = QString::fromLatin1(c.text);
        w().txtUDPLocalPort->setText(text);
        w().txtUDPRemotePort->setText(text);
        w().txtUARTTimeout->setText(text);
        EXPECT_EQ(w().LocalPort, c.value);
        EXPECT_EQ(w().LocalPortHigh, c.high);
        EXPECT_EQ(w().LocalPortLow, c.low);
        EXPECT_EQ(w().RemotePort, c.value);
        EXPECT_EQ(w().RemotePortHigh, c.high);
        EXPECT_EQ(w().RemotePortLow, c.low);
        EXPECT_EQ(w().UartTimeout, c.value);
        EXPECT_EQ(w().UartTimeoutHigh, c.high);
        EXPECT_EQ(w().UartTimeoutLow, c.low);
    }
    // The port boxes have no leaving check.
    typeAndTab(w().txtUDPLocalPort, QStringLiteral("70000"));
    EXPECT_TRUE(h.messages.messages.isEmpty());
}

TEST_F(TimeoutEntry, MacBoxesHoldTheByteShown)
{
    const std::pair<const char *, qint16> cases[] = {{"1A", 26}, {"FF", 255}, {"00", 0}, {"0a", 10}, {"", 0}, {"ZZ", -1}};
    for (const auto &[text, value] : cases) {
        w().txtMacAddress[4]->setText(QString::fromLatin1(text));
        EXPECT_EQ(w().DeviceMac[4], value) << text;
    }
}

// ---- Baud rate list ----

using BaudList = ProgrammerTest;

TEST_F(BaudList, SelectingARateInAutomaticModeShowsItsTimeout)
{
    w().cmbUARTBaudrate->setCurrentIndex(4);
    EXPECT_EQ(w().BaudRateIndex, 4);
    EXPECT_EQ(w().txtUARTTimeout->text(), QStringLiteral("3250"));
    EXPECT_EQ(w().UartTimeoutHigh, 0x0C);
    EXPECT_EQ(w().UartTimeoutLow, 0xB2);
    EXPECT_FALSE(w().txtUARTTimeout->isEnabled());

    for (int index = 0; index < 9; ++index) {
        w().cmbUARTBaudrate->setCurrentIndex(index);
        EXPECT_EQ(w().UartTimeout, kAutoUartTimeouts[index]) << index;
    }
}

TEST_F(BaudList, ManualModeKeepsTheTypedTimeout)
{
    w().optUARTManualTout->click();
    w().txtUARTTimeout->setText(QStringLiteral("777"));
    w().cmbUARTBaudrate->setCurrentIndex(2);
    EXPECT_EQ(w().BaudRateIndex, 2);
    EXPECT_EQ(w().txtUARTTimeout->text(), QStringLiteral("777"));
    EXPECT_TRUE(w().txtUARTTimeout->isEnabled());

    // Back in automatic mode, picking the rate already shown applies its timeout.
    w().optUARTAutoTout->click();
    EXPECT_EQ(w().txtUARTTimeout->text(), QStringLiteral("777"));
    Q_EMIT w().cmbUARTBaudrate->activated(2);
    EXPECT_EQ(w().txtUARTTimeout->text(), QStringLiteral("13000"));
}

TEST_F(BaudList, RefillRunsOnlyTheFinalSelection)
{
    w().cmbUARTBaudrate->setCurrentIndex(2);
    QSignalSpy timeoutChanges(w().txtUARTTimeout, &QLineEdit::textChanged);
    w().Fill_UART_BaudRate_Combo(8);
    EXPECT_EQ(w().cmbUARTBaudrate->count(), 9);
    EXPECT_EQ(w().cmbUARTBaudrate->currentIndex(), 8);
    EXPECT_EQ(w().cmbUARTBaudrate->currentText(), QStringLiteral("115200"));
    EXPECT_EQ(w().BaudRateIndex, 8);
    EXPECT_EQ(w().txtUARTTimeout->text(), QStringLiteral("271"));
    ASSERT_EQ(timeoutChanges.count(), 1); // no pass through the first item's timeout
    EXPECT_EQ(timeoutChanges[0][0].toString(), QStringLiteral("271"));
}

TEST_F(BaudList, AnUnknownCodeLeavesTheListEmptyAndTheIndexAsItWas)
{
    w().cmbUARTBaudrate->setCurrentIndex(4);
    for (qint16 code : {qint16(9), qint16(200)}) {
        w().Fill_UART_BaudRate_Combo(code);
        EXPECT_EQ(w().cmbUARTBaudrate->count(), 9);
        EXPECT_EQ(w().cmbUARTBaudrate->currentIndex(), -1);
        EXPECT_EQ(w().BaudRateIndex, 4);
        EXPECT_EQ(w().txtUARTTimeout->text(), QStringLiteral("3250"));
    }
    // Refilling with the same code twice still selects it.
    w().Fill_UART_BaudRate_Combo(0);
    w().Fill_UART_BaudRate_Combo(0);
    EXPECT_EQ(w().cmbUARTBaudrate->currentIndex(), 0);
    EXPECT_EQ(w().BaudRateIndex, 0);
    EXPECT_EQ(w().txtUARTTimeout->text(), QStringLiteral("48750"));
}

} // namespace
} // namespace qvx::test
