#include "Samples.h"

#include <gtest/gtest.h>

using namespace qvx;
using namespace qvx::test;

namespace {
// The sample encodes to exactly `bytes` and decodes back from them, and every shortened
// block reads as if its missing bytes were 0.
template <typename T, typename Encode, typename Decode>
void expectLayout(const T &sample, const QByteArray &bytes, Encode encode, Decode decode)
{
    EXPECT_EQ(encode(sample).toHex(' '), bytes.toHex(' '));
    EXPECT_EQ(decode(bytes), sample);
    for (int len = 0; len < bytes.size(); ++len)
        EXPECT_EQ(decode(bytes.left(len)), decode(bytes.left(len) + QByteArray(bytes.size() - len, '\0'))) << len;
}
} // namespace

TEST(Layouts, UartFormatAndModeFlags)
{
    const struct { bool seven; Parity parity; bool two; quint8 byte; } encodes[] = {
        {false, Parity::None, false, 0xC0}, {true, Parity::Odd, true, 0xDD}, {true, Parity::None, false, 0xC1},
        {false, Parity::Odd, false, 0xCC}, {false, Parity::None, true, 0xD0}, {true, Parity::Even, true, 0xD5},
    };
    for (const auto &c : encodes) {
        const UartFormat f{c.seven, c.parity, c.two};
        EXPECT_EQ(encodeUartFormat(f), c.byte);
        EXPECT_EQ(decodeUartFormat(c.byte), f);
    }
    const struct { quint8 byte; const char *data, *parity, *stop; } decodes[] = {
        {0x00, "8", "NONE", "1"}, {0xC8, "8", "NONE", "1"}, {0x04, "8", "EVEN", "1"},
        {0x0C, "8", "ODD", "1"},  {0x3F, "7", "ODD", "2"},  {0x11, "7", "NONE", "2"},
    };
    for (const auto &c : decodes)
        EXPECT_EQ((QStringList{dataBitsText(c.byte), parityText(c.byte), stopBitsText(c.byte)}),
                  (QStringList{c.data, c.parity, c.stop})) << int(c.byte);

    for (int bits = 0; bits < 8; ++bits) {
        const ModeFlags f{(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0};
        EXPECT_EQ(encodeModeFlags(f), quint8(bits << 4));
        EXPECT_EQ(decodeModeFlags(quint8((bits << 4) | 0x8F)), f); // other bits ignored
    }
}

TEST(Layouts, WordsAndShownForms)
{
    const struct { quint16 value; const char *bytes; } words[] = {
        {4096, "1000"}, {65535, "FFFF"}, {0, "0000"}, {258, "0102"}, {3250, "0CB2"}};
    for (const auto &c : words) {
        QByteArray out;
        appendWord(out, c.value);
        EXPECT_EQ(out, Hex(c.bytes));
        EXPECT_EQ(readWord(out, 0), c.value);
    }
    EXPECT_EQ(readWord(Hex("12"), 0), 0x1200);
    EXPECT_EQ(readWord(Hex("1234"), 1), 0x3400);
    EXPECT_EQ(readWord({}, -1), 0);

    const QStringList shown{firmwareText(0x3A), firmwareText(0x00), firmwareText(0xFF), octetText(192),
                            macByteText(0x0A),  macByteText(0xFF),  macText({0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}),
                            dottedText({0, 0, 0, 0}), enableText(0), enableText(2), enableText(255)};
    EXPECT_EQ(shown, (QStringList{"3.10", "0.0", "15.15", "192", "0A", "FF", "00-1A-2B-3C-4D-5E", "0.0.0.0",
                                  "Disable", "Enable", "Enable"}));
    const char *bauds[] = {"600", "1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"};
    for (int code = 0; code < 256; ++code)
        EXPECT_EQ(baudText(quint8(code)), code < 9 ? bauds[code] : "UNKNOWN") << code;
}

TEST(Layouts, SettingsBlockFullAndShort)
{
    const auto decode = [](const QByteArray &d) {
        SettingsBlock r = decodeSettingsBlock(d);
        r.hasMode = true; // the one field that depends on the length
        return r;
    };
    expectLayout(SampleSettings(), kSampleSettingsBytes, encodeSettingsBlock, decode);
    ASSERT_EQ(kSampleSettingsBytes.size(), SettingsOffset::FullLength);

    // LEN 28 stops before the mode byte and the server address.
    const QByteArray shortData = kSampleSettingsBytes.left(SettingsOffset::ShortLength);
    SettingsBlock expected = SampleSettings();
    expected.hasMode = false;
    expected.mode = 0;
    expected.tcpServer = {};
    EXPECT_EQ(decodeSettingsBlock(shortData), expected);
    EXPECT_EQ(encodeSettingsBlock(expected), shortData);
    EXPECT_TRUE(decodeSettingsBlock(kSampleSettingsBytes.left(29)).hasMode);
    EXPECT_FALSE(decodeSettingsBlock({}).hasMode);

    // The reply layout keeps a raw enable byte such as 2.
    SettingsBlock raw = SampleSettings();
    raw.timeoutToDefault = 2;
    EXPECT_EQ(decodeSettingsBlock(encodeSettingsBlock(raw)), raw);
}

TEST(Layouts, SettingsUploadBlock)
{
    SettingsUploadBlock b;
    FillSampleCommon(b);
    b.format = 0xDD;
    b.timeoutToDefault = 1;
    b.mode = 0x70;
    b.tcpServer = {10, 0, 0, 2};
    const QByteArray bytes = Hex((QByteArray(kSampleCommonHex) + "DD" "01" "70" "0A000002" "00").constData());
    ASSERT_EQ(bytes.size(), kSettingsUploadLength);
    expectLayout(b, bytes, encodeSettingsUploadBlock, decodeSettingsUploadBlock);

    b.timeoutToDefault = 2; // an enable byte is written 1 / 0
    EXPECT_EQ(encodeSettingsUploadBlock(b), bytes);
}

TEST(Layouts, DiscoveryRecordAndItsGridRow)
{
    ASSERT_EQ(kSampleDeviceBytes.size(), kDiscoveryRecordLength);
    expectLayout(SampleDevice(), kSampleDeviceBytes, encodeDiscoveryRecord, decodeDiscoveryRecord);
    EXPECT_EQ(discoveryRowTexts(kSampleDeviceBytes), kSampleDeviceRow);
    EXPECT_EQ(discoveryRowTexts(kSampleDeviceBytes + Hex("FFFF")), kSampleDeviceRow); // extra bytes unread

    // A short record leaves every cell empty whose bytes it does not cover completely.
    constexpr std::pair<int, int> columns[kDeviceGridColumns] = {
        {0, 6},  {6, 4},  {10, 4}, {14, 4}, {18, 2}, {20, 2}, {22, 1}, {23, 2}, {26, 1}, {26, 1},
        {26, 1}, {27, 1}, {28, 4}, {32, 4}, {36, 4}, {40, 4}, {44, 1}, {45, 2}, {47, 2}, {49, 2},
        {51, 2}, {53, 2}, {55, 2}, {57, 4}, {61, 4}, {65, 4}, {69, 4}, {73, 4}};
    for (int len = 0; len <= kDiscoveryRecordLength; ++len) {
        const QStringList cells = discoveryRowTexts(kSampleDeviceBytes.left(len));
        ASSERT_EQ(cells.size(), kDeviceGridColumns);
        for (int col = 0; col < kDeviceGridColumns; ++col)
            EXPECT_EQ(cells[col], len >= columns[col].first + columns[col].second ? kSampleDeviceRow[col] : QString())
                << "length " << len << " column " << col;
    }
}

TEST(Layouts, SourceFilterBridgeAndQuickUartBlocks)
{
    SourceFilterBlock filter;
    filter.sources = {{{192, 168, 0, 1}, {10, 0, 0, 1}, {0, 0, 0, 0}, {255, 255, 255, 254}}};
    expectLayout(filter, Hex("C0A80001" "0A000001" "00000000" "FFFFFFFE"), encodeSourceFilterBlock,
                 decodeSourceFilterBlock);

    BridgeBlock bridge;
    bridge.enabled = true;
    bridge.localPort = 4001;
    bridge.remotePorts = {5001, 5002, 5003, 5004, 5005};
    bridge.ips = {{{192, 168, 2, 1}, {192, 168, 2, 2}, {192, 168, 2, 3}, {192, 168, 2, 4}, {192, 168, 2, 5}}};
    const QByteArray bytes = Hex("01" "0FA1" "1389" "138A" "138B" "138C" "138D"
                                 "C0A80201" "C0A80202" "C0A80203" "C0A80204" "C0A80205");
    ASSERT_EQ(bytes.size(), kBridgeBlockLength);
    expectLayout(bridge, bytes, encodeBridgeBlock, decodeBridgeBlock);
    // Status: bit 0 only, written 1 / 0.
    const std::pair<int, bool> statuses[] = {{0, false}, {1, true}, {2, false}, {3, true}, {0xFE, false}};
    for (const auto &[status, enabled] : statuses) {
        QByteArray data = bytes;
        data[0] = char(status);
        EXPECT_EQ(decodeBridgeBlock(data).enabled, enabled) << status;
    }
    bridge.enabled = false;
    EXPECT_EQ(encodeBridgeBlock(bridge).at(0), 0);

    expectLayout(UartQuickBlock{8, 0xC4}, Hex("08C4"), encodeUartQuickBlock, decodeUartQuickBlock);
    EXPECT_EQ(encodeUartQuickBlock({}), Hex("00C0"));
}

TEST(Layouts, DeviceUploadBlockSkipsTheFirmwareByteAndWritesEnablesAsOneOrZero)
{
    DeviceUploadBlock b;
    b.destination = {0x00, 0x04, 0xA3, 0x01, 0x01, 0x01};
    b.settings = SampleDevice();
    const QByteArray bytes =
        Hex((QByteArray("0004A3010101") + kSampleCommonHex + "DD" "01" + kSampleDeviceTailHex).constData());
    ASSERT_EQ(bytes.size(), kDeviceUploadLength);
    EXPECT_EQ(encodeDeviceUploadBlock(b).toHex(' '), bytes.toHex(' '));
    DeviceUploadBlock back = b;
    back.settings.unread25 = 0; // not carried
    expectLayout(back, bytes, encodeDeviceUploadBlock, decodeDeviceUploadBlock);

    b.settings.bridgeStatus = 2;
    b.settings.timeoutToDefault = 7;
    EXPECT_EQ(encodeDeviceUploadBlock(b), bytes);
}
