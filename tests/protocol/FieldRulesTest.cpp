#include "Samples.h"

#include "protocol/DiscoveryColumns.h"
#include "protocol/FieldRules.h"

#include <gtest/gtest.h>

#include <functional>

using namespace qvx;

namespace {

// The editor as a click on the sample device's row fills it.
DeviceEditorTexts validEditor()
{
    return editorTextsFromRecord(test::SampleDevice(), kDiscoveryRecordLength);
}

} // namespace

TEST(FieldRules, UploadChecksInOrder)
{
    const auto with = [](auto change) {
        DeviceEditorTexts t = validEditor();
        change(t);
        return checkDeviceUpload(t).refusal;
    };
    EXPECT_EQ(with([](DeviceEditorTexts &t) {
                  t.mac[0] = "G1";
                  t.ip[0] = "";
                  t.bridgeEnabled.reset();
              }),
              "MAC Address Error");
    EXPECT_EQ(with([](DeviceEditorTexts &t) { t.ip[1] = ""; }), "IP Address Error");
    EXPECT_EQ(with([](DeviceEditorTexts &t) { t.gateway[3] = "256"; }), "Gateway Error");
    EXPECT_EQ(with([](DeviceEditorTexts &t) { t.localPort = "65536"; }), "Local port Error");
    EXPECT_EQ(with([](DeviceEditorTexts &t) { t.baudIndex = -1; }), "Baudrate Error");
    EXPECT_EQ(with([](DeviceEditorTexts &t) { t.timeout = "-1"; }), "Timeout Error");
    EXPECT_EQ(with([](DeviceEditorTexts &t) { t.dataBitsIndex = -1; t.parityIndex = -1; }), "Data Bits Error");
    EXPECT_EQ(with([](DeviceEditorTexts &t) { t.parityIndex = -1; }), "Parity Bit Error");
    EXPECT_EQ(with([](DeviceEditorTexts &t) { t.stopBitsIndex = -1; }), "Stop Bit Error");
    EXPECT_EQ(with([](DeviceEditorTexts &t) { t.timeoutToDefaultIndex = -1; }),
              "Timeout to default serial parameter Error");
    EXPECT_EQ(with([](DeviceEditorTexts &t) { t.sources[2][1] = "x"; }), "IP Source 3 Address Error");
    EXPECT_EQ(with([](DeviceEditorTexts &t) { t.bridgeEnabled.reset(); }), "Error! Modalità bridge non selezionata");
    EXPECT_EQ(with([](DeviceEditorTexts &t) { t.bridgeLocalPort = ""; }), "Local Bridge port Error");
    EXPECT_EQ(with([](DeviceEditorTexts &t) { t.bridgeRemotePorts[2] = ""; }), "Remote Bridge 3 port Error");
    EXPECT_EQ(with([](DeviceEditorTexts &t) { t.bridgeIps[4][0] = "-1"; }), "IP Bridge 5 Address Error");
}

// Every octet and word rule at its bounds: 255 and 65535 pass, 256 / 65536 and -1 do not.
TEST(FieldRules, DialogWritesAtTheBounds)
{
    std::array<std::array<qint16, 4>, 4> sources{};
    sources[3] = {255, 255, 255, 255};
    ASSERT_TRUE(checkSourceFilter(sources).ok());
    EXPECT_EQ(checkSourceFilter(sources).value->sources[3], (Octets4{255, 255, 255, 255}));
    sources[3][1] = 256;
    EXPECT_EQ(checkSourceFilter(sources).refusal, "Source 4 IP-Address Error");
    sources[3][1] = 0;
    sources[1][2] = -1;
    EXPECT_EQ(checkSourceFilter(sources).refusal, "Source 2 IP-Address Error");

    std::array<qint32, 5> ports{};
    std::array<std::array<qint16, 4>, 5> ips{};
    ports[4] = 65535;
    ips[4] = {255, 255, 255, 255};
    const Checked<BridgeBlock> bridge = checkBridgeSettings(true, 65535, ports, ips);
    ASSERT_TRUE(bridge.ok());
    EXPECT_TRUE(bridge.value->enabled);
    EXPECT_EQ(bridge.value->remotePorts[4], 65535);
    ips[0][3] = 256;
    ports[1] = 65536;
    EXPECT_EQ(checkBridgeSettings(false, 65536, ports, ips).refusal, "Local port Error");
    EXPECT_EQ(checkBridgeSettings(false, -1, ports, ips).refusal, "Local port Error");
    EXPECT_EQ(checkBridgeSettings(false, 0, ports, ips).refusal, "Remote port 2 Error");
    ports[1] = 0;
    EXPECT_EQ(checkBridgeSettings(false, 0, ports, ips).refusal, "Bridge 1 IP-Address Error");
}

TEST(FieldRules, MacCodeAndPasswords)
{
    for (const char *code : {"65793", "16777215", "70000abc"}) // a leading number, as "SET ADDRESS" reads it
        EXPECT_TRUE(macCodeAccepted(code)) << code;
    for (const char *code : {"65792", "16777216", ""})
        EXPECT_FALSE(macCodeAccepted(code)) << code;
    EXPECT_EQ(bytesOfMacCode(0x123456), (std::array<quint8, 3>{0x12, 0x34, 0x56}));
    EXPECT_EQ(bytesOfMacCode(-5), (std::array<quint8, 3>{0xFF, 0xFF, 0xFB}));

    const struct { const char *pw; bool ok; } passwords[] = {
        {"abc123", true}, {"ABCDEFabcdef", true}, {"abc12", false}, {"abcdefabcdefa", false},
        {"abc-123", false}, {"abcdèf", false},
    };
    for (const auto &c : passwords)
        EXPECT_EQ(passwordAccepted(QString::fromUtf8(c.pw)), c.ok) << c.pw;
    EXPECT_EQ(passwordBytes("abc123"), QByteArray("      abc123"));
    EXPECT_EQ(passwordBytes("abcdefabcdef"), QByteArray("abcdefabcdef"));
}

TEST(FieldRules, ProgrammerChecksAtTheBounds)
{
    const struct { const char *text; bool accepted; } octets[] = {
        {"255", true}, {"255.4", true}, {"0", true}, {"255.6", false}, {"256", false}, {"", false}, {"-0.4", false}};
    for (const auto &c : octets)
        EXPECT_EQ(octetEntryAccepted(QString::fromLatin1(c.text)), c.accepted) << c.text;
    for (const char *t : {"50", "65535"})
        EXPECT_TRUE(uartTimeoutEntryAccepted(t)) << t;
    for (const char *t : {"49", "65536"})
        EXPECT_FALSE(uartTimeoutEntryAccepted(t)) << t;

    SettingsUploadFields f;
    f.mac = {255, 255, 255, 255, 255, 255};
    f.gateway = {255, 255, 255, 255};
    f.localPort = f.remotePort = f.uartTimeout = 65535;
    f.tcpServer = {"", " ", "", ""}; // empty boxes: 0.0.0.0
    ASSERT_TRUE(checkSettingsUpload(f).ok());
    f.tcpServer = {"255", "0", "1", "255"};
    ASSERT_TRUE(checkSettingsUpload(f).ok());
    EXPECT_EQ(checkSettingsUpload(f).value->tcpServer, (Octets4{255, 0, 1, 255}));

    const struct {
        std::function<void(SettingsUploadFields &)> change;
        const char *refusal;
    } refused[] = {
        {[](auto &f) { f.mac[4] = 256; }, "Device Mac-Address Error\nThe value of field #4"},
        {[](auto &f) { f.ip[0] = 256; }, "Device IP-Address Error\nThe value of field #0"},
        {[](auto &f) { f.mask[2] = -1; }, "Device Subnet Mask Error\nThe value of field #2"},
        {[](auto &f) { f.gateway[3] = 256; }, "Device Gateway Error\nThe value of field #3"},
        {[](auto &f) { f.localPort = 65536; }, "Device Local Port Number Error"},
        {[](auto &f) { f.remotePort = -1; }, "Device Remote Port Number Error"},
        {[](auto &f) { f.uartTimeout = 65536; }, "Device UART RX Timeout Error"},
        {[](auto &f) { f.tcpServer = {"1", "", "3", "4"}; }, "Server remote IP-Address Error\nField #1"},
        {[](auto &f) { f.tcpServer = {"1", "2", "3", "256"}; }, "Server remote IP-Address Error\nField #3"},
        {[](auto &f) { f.tcpServer = {"-1", "2", "3", "4"}; }, "Server remote IP-Address Error\nField #0"},
    };
    for (const auto &c : refused) {
        SettingsUploadFields bad = f;
        c.change(bad);
        const QString refusal = checkSettingsUpload(bad).refusal;
        EXPECT_TRUE(refusal.startsWith(QString::fromLatin1(c.refusal))) << c.refusal << " -> " << refusal.toStdString();
    }
}
