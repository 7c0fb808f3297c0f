#include "ProgrammerFixture.h"

#include <QSignalSpy>

#include <functional>
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

using Entry = ProgrammerTest;

TEST_F(Entry, EveryKeystrokeInTheExpectedAddressReaimsTheEndpoint)
{
    QLineEdit *box = w().expectedAddressBoxes[3];
    focusBox(box);
    box->clear();
    EXPECT_EQ(h.endpoint.remoteHost(), "192.168.0.0");

    QStringList aimedAt;
    // Connected after the window's own handling, so it sees the endpoint as left by it.
    QObject::connect(box, &QLineEdit::textChanged, box, [&] { aimedAt << h.endpoint.remoteHost(); });
    const int closes = h.endpoint.closeCount, binds = h.endpoint.bindCount;
    QTest::keyClicks(box, QStringLiteral("25"));
    EXPECT_EQ(aimedAt, (QStringList{"192.168.0.2", "192.168.0.25"}));
    EXPECT_EQ(h.endpoint.closeCount - closes, 2);
    EXPECT_EQ(h.endpoint.bindCount - binds, 2);
    EXPECT_EQ(h.endpoint.remotePort(), 4096);
    EXPECT_EQ(state().deviceAddress[3], 25);

    // Requests go to the new address, with no further re-aiming.
    w().downloadButton->click();
    w().downloadButton->click();
    ASSERT_EQ(h.endpoint.sent.size(), 4);
    for (const auto &sent : h.endpoint.sent)
        EXPECT_EQ(sent.host, "192.168.0.25");
    EXPECT_EQ(h.endpoint.closeCount - closes, 2);
    EXPECT_EQ(h.endpoint.bindCount - binds, 2);

    // A refused octet empties its box and the endpoint follows.
    typeAndTab(w().expectedAddressBoxes[1], QStringLiteral("300"));
    EXPECT_EQ(h.messages.lastText(), octetMessage("IP-Address", 1));
    EXPECT_EQ(h.endpoint.remoteHost(), "192.0.0.25");
}

// Every octet family stores on each change and checks the range when the box is left: an
// accepted value stays as typed and the focus moves on; a refused one is emptied, the
// warning names the box, and the focus stays.
TEST_F(Entry, OctetFamiliesStoreOnEveryChangeAndCheckOnLeaving)
{
    const struct { const char *text; bool accepted; qint16 stored; } cases[] = {
        {"", false, 0},        {"256", false, 0},   {"255", true, 255},  {"0", true, 0},
        {"255.4", true, 255},  {"255.5", false, 0}, {"254.5", true, 254}, {"-0.4", false, 0},
        {"12abc", true, 12},   {"abc", true, 0},    {"1e2", true, 100},  {"1e3", false, 0},
        {"-1", false, 0},      {"99999999999", false, 0},
    };
    const struct { QLineEdit *box; const char *field; int index; std::function<qint16()> stored; } families[] = {
        {w().expectedAddressBoxes[0], "IP-Address", 0, [&] { return state().deviceAddress[0]; }},
        {w().ipAddressBoxes[2], "IP-Address", 2, [&] { return w().deviceIp[2]; }},
        {w().subnetMaskBoxes[1], "Subnet Mask", 1, [&] { return w().deviceMask[1]; }},
        {w().gatewayBoxes[3], "Gateway", 3, [&] { return w().deviceGateway[3]; }},
    };
    fillValidSettings();
    for (const auto &f : families) {
        for (const auto &c : cases) {
            SCOPED_TRACE(testing::Message() << f.box->objectName().toStdString() << " = \"" << c.text << '"');
            h.messages.clear();
            typeAndTab(f.box, QString::fromLatin1(c.text));
            EXPECT_EQ(f.stored(), c.stored);
            EXPECT_EQ(f.box->hasFocus(), !c.accepted);
            EXPECT_EQ(f.box->text(), c.accepted ? QString::fromLatin1(c.text) : QString());
            if (c.accepted) {
                EXPECT_TRUE(h.messages.messages.isEmpty());
            } else {
                expectOneMessage(octetMessage(f.field, f.index), kRangeTitle, MessageIcon::Exclamation);
            }
        }
        typeAndTab(f.box, QStringLiteral("1"));
    }
}

TEST_F(Entry, TwoEmptyBoxesDoNotBounceTheFocus)
{
    // At start every device address box is empty.
    focusBox(w().ipAddressBoxes[0]);
    QTest::keyClick(w().ipAddressBoxes[0], Qt::Key_Tab);
    expectOneMessage(octetMessage("IP-Address", 0), kRangeTitle, MessageIcon::Exclamation);
    EXPECT_TRUE(w().ipAddressBoxes[0]->hasFocus());

    // Clicking the next empty box is refused the same way, once.
    QTest::mouseClick(w().ipAddressBoxes[1], Qt::LeftButton);
    ASSERT_EQ(h.messages.messages.size(), 2);
    EXPECT_EQ(h.messages.lastText(), octetMessage("IP-Address", 0));
    EXPECT_TRUE(w().ipAddressBoxes[0]->hasFocus());

    // Backwards too: the mask box before it is not checked on the way back.
    w().subnetMaskBoxes[0]->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(h.messages.messages.size(), 3);
    EXPECT_TRUE(w().ipAddressBoxes[0]->hasFocus());
    QTest::keyClicks(w().ipAddressBoxes[0], QStringLiteral("10"));
    QTest::keyClick(w().ipAddressBoxes[0], Qt::Key_Tab);
    EXPECT_EQ(h.messages.messages.size(), 3);
    EXPECT_TRUE(w().ipAddressBoxes[1]->hasFocus());
}

TEST_F(Entry, LosingTheWindowIsNotLeavingTheBox)
{
    focusBox(w().gatewayBoxes[0]); // empty
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    w().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w()));
    EXPECT_TRUE(w().gatewayBoxes[0]->hasFocus());
    EXPECT_TRUE(h.messages.messages.isEmpty());
}

TEST_F(Entry, TimeoutIsCheckedOnLeavingWithoutHoldingTheFocus)
{
    fillValidSettings();
    w().manualUartTimeout->click();
    const std::pair<const char *, bool> cases[] = {{"40", false},   {"49.9", false}, {"50", true},   {"65535", true},
                                                   {"65535.4", false}, {"65536", false}, {"", false}, {"1e3", true},
                                                   {"12abc", false}, {"3250", true}};
    for (const auto &[text, accepted] : cases) {
        SCOPED_TRACE(text);
        h.messages.clear();
        typeAndTab(w().uartTimeoutBox, QString::fromLatin1(text));
        EXPECT_FALSE(w().uartTimeoutBox->hasFocus());
        EXPECT_EQ(w().uartTimeoutBox->text(), accepted ? QString::fromLatin1(text) : QString());
        if (accepted)
            continue;
        expectOneMessage("The value selected for UART Timeout is out of range. Values allowed are in the interval "
                         "[50-65535]",
                         kRangeTitle, MessageIcon::Exclamation);
        EXPECT_EQ((QList<qint32>{w().uartTimeoutValue, w().uartTimeoutHigh, w().uartTimeoutLow}), QList<qint32>(3, 0));
    }
}

TEST_F(Entry, WordStoresSplitIntoBytesAndSaturateHugeNumbers)
{
    constexpr qint32 kMax = std::numeric_limits<qint32>::max(), kMin = std::numeric_limits<qint32>::min();
    const struct { const char *text; qint32 value, high, low; } cases[] = {
        {"4096", 4096, 16, 0},  {"65535", 65535, 255, 255}, {"70000", 70000, 273, 112}, {"", 0, 0, 0},
        {"255.5", 256, 1, 0},   {"-1", -1, -1, 255},        {"-256", -256, -1, 0},      {"-257", -257, -2, 255},
        {"99999999999", kMax, kMax / 256, 255},             {"-1e300", kMin, kMin / 256, 0},
    };
    w().manualUartTimeout->click();
    for (const auto &c : cases) {
        const QString text = QString::fromLatin1(c.text);
        for (QLineEdit *box : {w().localPortBox, w().remotePortBox, w().uartTimeoutBox})
            box->setText(text);
        const QList<qint32> expected{c.value, c.high, c.low};
        EXPECT_EQ((QList<qint32>{w().localPortValue, w().localPortHigh, w().localPortLow}), expected) << c.text;
        EXPECT_EQ((QList<qint32>{w().remotePortValue, w().remotePortHigh, w().remotePortLow}), expected) << c.text;
        EXPECT_EQ((QList<qint32>{w().uartTimeoutValue, w().uartTimeoutHigh, w().uartTimeoutLow}), expected) << c.text;
    }
    typeAndTab(w().localPortBox, QStringLiteral("70000")); // the port boxes have no leaving check
    EXPECT_TRUE(h.messages.messages.isEmpty());

    const std::pair<const char *, qint16> macs[] = {{"1A", 26}, {"FF", 255}, {"0a", 10}, {"", 0}, {"ZZ", -1}};
    for (const auto &[text, value] : macs) {
        w().macAddressBoxes[4]->setText(QString::fromLatin1(text));
        EXPECT_EQ(w().deviceMac[4], value) << text;
    }
}

TEST_F(Entry, BaudSelectionShowsTheAutomaticTimeoutUnlessInManualMode)
{
    for (int index = 0; index < 9; ++index) {
        w().baudRateList->setCurrentIndex(index);
        EXPECT_EQ(w().baudRateIndex, index);
        EXPECT_EQ(w().uartTimeoutValue, kAutoUartTimeouts[index]) << index;
    }
    w().baudRateList->setCurrentIndex(4);
    EXPECT_EQ(w().uartTimeoutBox->text(), "3250");
    EXPECT_EQ(w().uartTimeoutHigh, 0x0C);
    EXPECT_EQ(w().uartTimeoutLow, 0xB2);

    EXPECT_FALSE(w().uartTimeoutBox->isEnabled());

    w().manualUartTimeout->click();
    EXPECT_TRUE(w().uartTimeoutBox->isEnabled());
    EXPECT_TRUE(w().manualTimeoutMode && !w().autoTimeoutMode);
    w().uartTimeoutBox->setText(QStringLiteral("777"));
    w().baudRateList->setCurrentIndex(2);
    EXPECT_EQ(w().baudRateIndex, 2);
    EXPECT_EQ(w().uartTimeoutBox->text(), "777");

    // Back in automatic mode the box is disabled and keeps its text; picking the rate
    // already shown applies its timeout.
    w().autoUartTimeout->click();
    EXPECT_FALSE(w().uartTimeoutBox->isEnabled());
    EXPECT_TRUE(w().autoTimeoutMode && !w().manualTimeoutMode);
    EXPECT_EQ(w().uartTimeoutBox->text(), "777");
    Q_EMIT w().baudRateList->activated(2);
    EXPECT_EQ(w().uartTimeoutBox->text(), "13000");
}

TEST_F(Entry, RefillingTheBaudListRunsOnlyTheFinalSelection)
{
    w().baudRateList->setCurrentIndex(2);
    QSignalSpy timeoutChanges(w().uartTimeoutBox, &QLineEdit::textChanged);
    w().fillBaudRateList(8);
    EXPECT_EQ(w().baudRateList->count(), 9);
    EXPECT_EQ(w().baudRateList->currentText(), "115200");
    EXPECT_EQ(w().baudRateIndex, 8);
    ASSERT_EQ(timeoutChanges.count(), 1); // no pass through the first item's timeout
    EXPECT_EQ(timeoutChanges[0][0].toString(), "271");

    // An unknown code leaves the list without selection and the index as it was.
    for (qint16 code : {qint16(9), qint16(200)}) {
        w().fillBaudRateList(code);
        EXPECT_EQ(w().baudRateList->count(), 9);
        EXPECT_EQ(w().baudRateList->currentIndex(), -1);
        EXPECT_EQ(w().baudRateIndex, 8);
        EXPECT_EQ(w().uartTimeoutBox->text(), "271");
    }
    // Refilling with the same code twice still selects it.
    w().fillBaudRateList(0);
    w().fillBaudRateList(0);
    EXPECT_EQ(w().baudRateList->currentIndex(), 0);
    EXPECT_EQ(w().uartTimeoutBox->text(), "48750");
}

} // namespace
} // namespace qvx::test
