#include "protocol/Layouts.h"

#include <gtest/gtest.h>

using namespace qvx;

namespace {
QByteArray hex(const char *text) { return QByteArray::fromHex(text); }

// MAC 00-1A-2B-3C-4D-5E, IP 192.168.1.10, mask 255.255.255.0, gateway 192.168.1.1,
// local port 4096, remote port 65535, baud code 4, UART timeout 3250: data offsets 0..24.
constexpr const char *kCommonHex = "001A2B3C4D5E" "C0A8010A" "FFFFFF00" "C0A80101" "1000" "FFFF" "04" "0CB2";

template <typename T>
void fillCommon(T &b)
{
    b.mac = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
    b.ip = {192, 168, 1, 10};
    b.mask = {255, 255, 255, 0};
    b.gateway = {192, 168, 1, 1};
    b.localPort = 4096;
    b.remotePort = 65535;
    b.baudCode = 4;
    b.uartTimeout = 3250;
}

SettingsBlock sampleSettings()
{
    SettingsBlock b;
    fillCommon(b);
    b.firmware = 0x3A;
    b.format = 0xDD;
    b.timeoutToDefault = 1;
    b.mode = 0x70;
    b.tcpServer = {10, 0, 0, 2};
    return b;
}
const QByteArray kSettingsHex = hex((QByteArray(kCommonHex) + "3A" "DD" "01" "70" "0A000002").constData());

DiscoveryRecord sampleRecord()
{
    DiscoveryRecord r;
    fillCommon(r);
    r.unread25 = 0x3A;
    r.format = 0xC4;
    r.timeoutToDefault = 0;
    r.sources = {{{10, 0, 0, 1}, {10, 0, 0, 2}, {0, 0, 0, 0}, {255, 255, 255, 255}}};
    r.bridgeStatus = 2;
    r.bridgeLocalPort = 4001;
    r.bridgeRemotePorts = {5001, 5002, 5003, 5004, 5005};
    r.bridgeIps = {{{192, 168, 2, 1}, {192, 168, 2, 2}, {192, 168, 2, 3}, {192, 168, 2, 4}, {192, 168, 2, 5}}};
    return r;
}
constexpr const char *kRecordTailHex = "0A000001" "0A000002" "00000000" "FFFFFFFF" "02" "0FA1"
                                       "1389" "138A" "138B" "138C" "138D"
                                       "C0A80201" "C0A80202" "C0A80203" "C0A80204" "C0A80205";
const QByteArray kRecordHex = hex((QByteArray(kCommonHex) + "3A" "C4" "00" + kRecordTailHex).constData());

const QStringList kRecordTexts = {
    "00-1A-2B-3C-4D-5E", "192.168.1.10", "255.255.255.0", "192.168.1.1", "4096", "65535", "9600",
    "3250", "8", "EVEN", "1", "Disable", "10.0.0.1", "10.0.0.2", "0.0.0.0", "255.255.255.255",
    "Enable", "4001", "5001", "5002", "5003", "5004", "5005",
    "192.168.2.1", "192.168.2.2", "192.168.2.3", "192.168.2.4", "192.168.2.5"};

// Data offset and width of each device grid column.
constexpr std::pair<int, int> kColumns[kDeviceGridColumns] = {
    {0, 6}, {6, 4}, {10, 4}, {14, 4}, {18, 2}, {20, 2}, {22, 1}, {23, 2}, {26, 1}, {26, 1}, {26, 1},
    {27, 1}, {28, 4}, {32, 4}, {36, 4}, {40, 4}, {44, 1}, {45, 2}, {47, 2}, {49, 2}, {51, 2}, {53, 2},
    {55, 2}, {57, 4}, {61, 4}, {65, 4}, {69, 4}, {73, 4}};

// Every decoder reads a short block as if the missing bytes were 0.
template <typename Decode>
void expectShortReadsAsZeros(const QByteArray &full, Decode decode)
{
    for (int len = 0; len <= full.size(); ++len) {
        QByteArray padded = full.left(len);
        padded.append(QByteArray(full.size() - len, '\0'));
        EXPECT_EQ(decode(full.left(len)), decode(padded)) << len;
    }
}
} // namespace

TEST(Layouts, UartFormat)
{
    const struct { bool seven; Parity parity; bool two; quint8 byte; } encodes[] = {
        {false, Parity::None, false, 0xC0}, {true, Parity::Odd, true, 0xDD},
        {false, Parity::Even, false, 0xC4}, {true, Parity::None, false, 0xC1},
        {false, Parity::Odd, false, 0xCC}, {false, Parity::None, true, 0xD0},
        {true, Parity::Even, true, 0xD5},
    };
    for (const auto &c : encodes) {
        const UartFormat f{c.seven, c.parity, c.two};
        EXPECT_EQ(EncodeUartFormat(f), c.byte);
        EXPECT_EQ(DecodeUartFormat(c.byte), f);
    }
    const struct { quint8 byte; const char *data, *parity, *stop; } decodes[] = {
        {0xC0, "8", "NONE", "1"}, {0x00, "8", "NONE", "1"}, {0x08, "8", "NONE", "1"},
        {0xC8, "8", "NONE", "1"}, {0x04, "8", "EVEN", "1"}, {0x0C, "8", "ODD", "1"},
        {0xDD, "7", "ODD", "2"}, {0x3F, "7", "ODD", "2"}, {0x11, "7", "NONE", "2"},
    };
    for (const auto &c : decodes) {
        EXPECT_EQ(DataBitsText(c.byte), c.data) << int(c.byte);
        EXPECT_EQ(ParityText(c.byte), c.parity) << int(c.byte);
        EXPECT_EQ(StopBitsText(c.byte), c.stop) << int(c.byte);
    }
}

TEST(Layouts, ModeFlags)
{
    for (int bits = 0; bits < 8; ++bits) {
        const ModeFlags f{(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0};
        EXPECT_EQ(EncodeModeFlags(f), quint8(bits << 4));
        EXPECT_EQ(DecodeModeFlags(quint8(bits << 4)), f);
        EXPECT_EQ(DecodeModeFlags(quint8((bits << 4) | 0x8F)), f); // other bits ignored
    }
}

TEST(Layouts, WordsAndShownForms)
{
    const struct { quint16 value; const char *bytes; } words[] = {
        {4096, "1000"}, {65535, "FFFF"}, {0, "0000"}, {258, "0102"}, {3250, "0CB2"}, {271, "010F"}};
    for (const auto &c : words) {
        QByteArray out;
        AppendWord(out, c.value);
        EXPECT_EQ(out, hex(c.bytes));
        EXPECT_EQ(ReadWord(out, 0), c.value);
    }
    EXPECT_EQ(ReadWord(hex("12"), 0), 0x1200);
    EXPECT_EQ(ReadWord(hex("1234"), 1), 0x3400);
    EXPECT_EQ(ReadWord(hex("1234"), 2), 0);
    EXPECT_EQ(ReadWord({}, -1), 0);

    EXPECT_EQ(FirmwareText(0x3A), "3.10");
    EXPECT_EQ(FirmwareText(0x00), "0.0");
    EXPECT_EQ(FirmwareText(0x21), "2.1");
    EXPECT_EQ(FirmwareText(0xFF), "15.15");
    EXPECT_EQ(OctetText(0), "0");
    EXPECT_EQ(OctetText(192), "192");
    EXPECT_EQ(MacByteText(0x0A), "0A");
    EXPECT_EQ(MacByteText(0), "00");
    EXPECT_EQ(MacByteText(0xFF), "FF");
    EXPECT_EQ(MacText({0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}), "00-1A-2B-3C-4D-5E");
    EXPECT_EQ(DottedText({192, 168, 1, 10}), "192.168.1.10");
    EXPECT_EQ(DottedText({0, 0, 0, 0}), "0.0.0.0");
    const char *bauds[] = {"600", "1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"};
    for (int code = 0; code < 256; ++code)
        EXPECT_EQ(BaudText(quint8(code)), code < 9 ? bauds[code] : "UNKNOWN") << code;
    EXPECT_EQ(EnableText(0), "Disable");
    for (quint8 b : {1, 2, 255})
        EXPECT_EQ(EnableText(b), "Enable");
}

TEST(Layouts, SettingsBlock)
{
    const SettingsBlock b = sampleSettings();
    ASSERT_EQ(kSettingsHex.size(), SettingsOffset::FullLength);
    EXPECT_EQ(EncodeSettingsBlock(b), kSettingsHex);
    EXPECT_EQ(DecodeSettingsBlock(kSettingsHex), b);
    EXPECT_EQ(FirmwareText(DecodeSettingsBlock(kSettingsHex).firmware), "3.10");

    // LEN 28 stops before the mode byte.
    const QByteArray shortData = kSettingsHex.left(SettingsOffset::ShortLength);
    const SettingsBlock s = DecodeSettingsBlock(shortData);
    EXPECT_FALSE(s.hasMode);
    EXPECT_EQ(s.mode, 0);
    EXPECT_EQ(s.tcpServer, (Octets4{}));
    EXPECT_EQ(EncodeSettingsBlock(s), shortData);
    SettingsBlock expected = b;
    expected.hasMode = false;
    expected.mode = 0;
    expected.tcpServer = {};
    EXPECT_EQ(s, expected);
    EXPECT_TRUE(DecodeSettingsBlock(kSettingsHex.left(29)).hasMode);
    EXPECT_EQ(DecodeSettingsBlock(kSettingsHex.left(29)).mode, 0x70);

    // Raw enable byte: 2 stays 2 in the reply layout.
    SettingsBlock raw = b;
    raw.timeoutToDefault = 2;
    EXPECT_EQ(DecodeSettingsBlock(EncodeSettingsBlock(raw)), raw);
    EXPECT_FALSE(DecodeSettingsBlock({}).hasMode);
    expectShortReadsAsZeros(kSettingsHex, [](const QByteArray &d) {
        SettingsBlock r = DecodeSettingsBlock(d);
        r.hasMode = true; // the one field that depends on the length
        return r;
    });
}

TEST(Layouts, SettingsUploadBlock)
{
    SettingsUploadBlock b;
    fillCommon(b);
    b.format = EncodeUartFormat({true, Parity::Odd, true});
    b.timeoutToDefault = 1;
    b.mode = EncodeModeFlags({true, true, true});
    b.tcpServer = {10, 0, 0, 2};
    const QByteArray bytes = hex((QByteArray(kCommonHex) + "DD" "01" "70" "0A000002" "00").constData());
    ASSERT_EQ(bytes.size(), kSettingsUploadLength);
    EXPECT_EQ(EncodeSettingsUploadBlock(b), bytes);
    EXPECT_EQ(DecodeSettingsUploadBlock(bytes), b);
    EXPECT_EQ(EncodeSettingsUploadBlock(SettingsUploadBlock{}).at(32), 0);
    EXPECT_EQ(EncodeSettingsUploadBlock(SettingsUploadBlock{}).size(), kSettingsUploadLength);

    b.timeoutToDefault = 2; // an enable byte is written 1 / 0
    EXPECT_EQ(EncodeSettingsUploadBlock(b), bytes);
    b.timeoutToDefault = 0;
    EXPECT_EQ(quint8(EncodeSettingsUploadBlock(b).at(26)), 0);
    expectShortReadsAsZeros(bytes, DecodeSettingsUploadBlock);
}

TEST(Layouts, DiscoveryRecord)
{
    const DiscoveryRecord r = sampleRecord();
    ASSERT_EQ(kRecordHex.size(), kDiscoveryRecordLength);
    EXPECT_EQ(EncodeDiscoveryRecord(r), kRecordHex);
    EXPECT_EQ(DecodeDiscoveryRecord(kRecordHex), r);
    EXPECT_EQ(DiscoveryRowTexts(kRecordHex), kRecordTexts);
    EXPECT_EQ(DiscoveryRowTexts(kRecordHex + hex("FFFF")), kRecordTexts); // extra bytes unread
    expectShortReadsAsZeros(kRecordHex, DecodeDiscoveryRecord);

    QByteArray odd = kRecordHex;
    odd[22] = char(9);     // baud code
    odd[26] = char(0xDD);  // 7 / odd / 2
    odd[27] = char(0x80);  // timeout to default enabled
    odd[44] = char(0);     // bridge disabled
    const QStringList texts = DiscoveryRowTexts(odd);
    EXPECT_EQ(texts[6], "UNKNOWN");
    EXPECT_EQ(texts.mid(8, 4), (QStringList{"7", "ODD", "2", "Enable"}));
    EXPECT_EQ(texts[16], "Disable");
}

TEST(Layouts, DiscoveryRowTextsOfShortRecords)
{
    for (int len = 0; len <= kDiscoveryRecordLength; ++len) {
        const QStringList texts = DiscoveryRowTexts(kRecordHex.left(len));
        ASSERT_EQ(texts.size(), kDeviceGridColumns);
        for (int col = 0; col < kDeviceGridColumns; ++col) {
            const auto [offset, width] = kColumns[col];
            EXPECT_EQ(texts[col], len >= offset + width ? kRecordTexts[col] : QString())
                << "length " << len << " column " << col;
        }
    }
}

TEST(Layouts, SourceFilterBlock)
{
    SourceFilterBlock b;
    b.sources = {{{192, 168, 0, 1}, {10, 0, 0, 1}, {0, 0, 0, 0}, {255, 255, 255, 254}}};
    const QByteArray bytes = hex("C0A80001" "0A000001" "00000000" "FFFFFFFE");
    ASSERT_EQ(bytes.size(), kSourceFilterLength);
    EXPECT_EQ(EncodeSourceFilterBlock(b), bytes);
    EXPECT_EQ(DecodeSourceFilterBlock(bytes), b);
    expectShortReadsAsZeros(bytes, DecodeSourceFilterBlock);
}

TEST(Layouts, BridgeBlock)
{
    BridgeBlock b;
    b.enabled = true;
    b.localPort = 4001;
    b.remotePorts = {5001, 5002, 5003, 5004, 5005};
    b.ips = {{{192, 168, 2, 1}, {192, 168, 2, 2}, {192, 168, 2, 3}, {192, 168, 2, 4}, {192, 168, 2, 5}}};
    const QByteArray bytes = hex("01" "0FA1" "1389" "138A" "138B" "138C" "138D"
                                 "C0A80201" "C0A80202" "C0A80203" "C0A80204" "C0A80205");
    ASSERT_EQ(bytes.size(), kBridgeBlockLength);
    EXPECT_EQ(EncodeBridgeBlock(b), bytes);
    EXPECT_EQ(DecodeBridgeBlock(bytes), b);
    b.enabled = false;
    EXPECT_EQ(EncodeBridgeBlock(b).at(0), 0);

    // Status: bit 0 only. 2 is disabled here but "Enable" in a DiscoveryRecord.
    const struct { quint8 status; bool enabled; } statuses[] = {{0, false}, {1, true}, {2, false}, {3, true}, {0xFE, false}};
    for (const auto &c : statuses) {
        QByteArray data = bytes;
        data[0] = char(c.status);
        EXPECT_EQ(DecodeBridgeBlock(data).enabled, c.enabled) << int(c.status);
    }
    EXPECT_EQ(DiscoveryRowTexts(kRecordHex)[16], "Enable"); // kRecordHex carries status 2
    expectShortReadsAsZeros(bytes, DecodeBridgeBlock);
}

TEST(Layouts, UartQuickBlock)
{
    const UartQuickBlock b{8, 0xC4};
    EXPECT_EQ(EncodeUartQuickBlock(b), hex("08C4"));
    EXPECT_EQ(DecodeUartQuickBlock(hex("08C4")), b);
    EXPECT_EQ(EncodeUartQuickBlock({}), hex("00C0"));
    EXPECT_EQ(DecodeUartQuickBlock(hex("05")), (UartQuickBlock{5, 0}));
}

TEST(Layouts, DeviceUploadBlock)
{
    DeviceUploadBlock b;
    b.destination = {0x00, 0x04, 0xA3, 0x01, 0x01, 0x01};
    b.settings = sampleRecord();
    b.settings.bridgeStatus = 1;
    const QByteArray bytes = EncodeDeviceUploadBlock(b);
    ASSERT_EQ(bytes.size(), kDeviceUploadLength);
    EXPECT_EQ(bytes.left(6), hex("0004A3010101"));
    EXPECT_EQ(bytes.mid(6, 6), hex("001A2B3C4D5E"));

    // DiscoveryRecord offset d sits at d + 6 for d <= 24 and at d + 5 for d >= 26.
    const QByteArray record = EncodeDiscoveryRecord(b.settings);
    for (int d = 0; d < kDiscoveryRecordLength; ++d) {
        if (d == 25)
            continue;
        EXPECT_EQ(bytes[d <= 24 ? d + 6 : d + 5], record[d]) << d;
    }
    const QByteArray expected = hex((QByteArray("0004A3010101") + kCommonHex + "C4" "00" + kRecordTailHex).constData());
    QByteArray expectedEnabled = expected;
    expectedEnabled[49] = 1;
    EXPECT_EQ(bytes, expectedEnabled);

    DeviceUploadBlock back = DecodeDeviceUploadBlock(bytes);
    DeviceUploadBlock want = b;
    want.settings.unread25 = 0; // not carried
    EXPECT_EQ(back, want);
    EXPECT_EQ(EncodeDeviceUploadBlock(back), bytes);

    // Enable bytes are written 1 / 0.
    b.settings.bridgeStatus = 2;
    b.settings.timeoutToDefault = 7;
    const QByteArray normalized = EncodeDeviceUploadBlock(b);
    EXPECT_EQ(normalized[49], 1);
    EXPECT_EQ(normalized[32], 1);
    expectShortReadsAsZeros(bytes, DecodeDeviceUploadBlock);
}
