#include "protocol/FieldKeys.h"
#include "protocol/FieldRules.h"

#include <gtest/gtest.h>

using namespace qvx;

namespace {

// The fields a device's discovery record and its settings download share:
// 00-04-A3-00-00-07 at 192.168.0.7, local port 4001, 9600 bit/s, timeout to default on.
template <typename Layout>
void fillSharedFields(Layout &b)
{
    b.mac = {0x00, 0x04, 0xA3, 0x00, 0x00, 0x07};
    b.ip = {192, 168, 0, 7};
    b.mask = {255, 255, 255, 0};
    b.gateway = {192, 168, 0, 254};
    b.localPort = 4001;
    b.baudCode = 4;
    b.uartTimeout = 3250;
    b.format = 0xC0;
    b.timeoutToDefault = 1;
}

// The device as it answers a discovery.
DiscoveryRecord sampleRecord()
{
    DiscoveryRecord r;
    fillSharedFields(r);
    r.remotePort = 4001;
    r.unread25 = 0x21;
    r.sources[1] = {10, 0, 0, 1};
    r.bridgeLocalPort = 4100;
    return r;
}

// Its settings download, with the mode byte (TCP client, DHCP) and a server address.
SettingsBlock sampleSettings()
{
    SettingsBlock s;
    fillSharedFields(s);
    s.remotePort = 4002;
    s.firmware = 0x21;
    s.mode = 0x50;
    s.tcpServer = {10, 1, 2, 3};
    return s;
}

} // namespace

TEST(FieldKeys, KeyListsMatchTheRecords)
{
    ASSERT_EQ(discoveryFieldKeys().size(), kDeviceGridColumns);
    EXPECT_EQ(allFieldKeys().size(), kDeviceGridColumns + 6); // firmware, dhcp, protocol, tcp_mode, tcp_server, card
    const FieldValues d = discoveryFieldValues(encodeDiscoveryRecord(sampleRecord()), "eth0 192.168.0.10");
    EXPECT_EQ(d.value("mac"), "00-04-A3-00-00-07");
    EXPECT_EQ(d.value("rx_timeout"), "3250");
    EXPECT_EQ(d.value("default_timeout"), "Enable");
    EXPECT_EQ(d.value("source_2"), "10.0.0.1");
    EXPECT_EQ(d.value("bridge"), "Disable");
    EXPECT_EQ(d.value("bridge_local_port"), "4100");
    EXPECT_EQ(d.value("bridge_ip_5"), "0.0.0.0");
    EXPECT_EQ(d.value("card"), "eth0 192.168.0.10");
    EXPECT_EQ(d.size(), kDeviceGridColumns + 1);

    const FieldValues s = settingsFieldValues(encodeSettingsBlock(sampleSettings()));
    EXPECT_EQ(s.value("firmware"), "2.1");
    EXPECT_EQ(s.value("dhcp"), "Enable");
    EXPECT_EQ(s.value("protocol"), "UDP");
    EXPECT_EQ(s.value("tcp_mode"), "Client");
    EXPECT_EQ(s.value("tcp_server"), "10.1.2.3");
    // A 28-byte download has no mode byte: those keys stay empty.
    SettingsBlock shortBlock = sampleSettings();
    shortBlock.hasMode = false;
    const FieldValues shortValues = settingsFieldValues(encodeSettingsBlock(shortBlock));
    EXPECT_FALSE(shortValues.contains("dhcp"));
    EXPECT_EQ(shortValues.value("baud"), "9600");
}

TEST(FieldKeys, AssignmentsAreNormalisedOrRefused)
{
    const struct { const char *in, *key, *value; } good[] = {
        {"ip=192.168.000.020", "ip", "192.168.0.20"},
        {"ip= 10.0.0.1 ", "ip", "10.0.0.1"},
        {"ip=10.0.0.300", "ip", "10.0.0.300"}, // the range is the write's own check
        {"mac=00:04:a3:0a:0b:0c", "mac", "00-04-A3-0A-0B-0C"},
        {"baud=115200", "baud", "115200"},
        {"parity=even", "parity", "EVEN"},
        {"default_timeout=DISABLE", "default_timeout", "Disable"},
        {"bridge=enable", "bridge", "Enable"},
        {"protocol=tcp", "protocol", "TCP"},
        {"tcp_mode=client", "tcp_mode", "Client"},
        {"local_port=0065", "local_port", "65"},
        {"bridge_port_5=70000", "bridge_port_5", "70000"},
    };
    for (const auto &c : good) {
        const Checked<FieldChange> change = parseFieldAssignment(c.in);
        ASSERT_TRUE(change.ok()) << c.in << ": " << change.refusal.toStdString();
        EXPECT_EQ(*change.value, (FieldChange{c.key, c.value})) << c.in;
    }
    const struct { const char *in, *why; } bad[] = {
        {"ip", "not KEY=VALUE"},
        {"=1", "not KEY=VALUE"},
        {"address=1.2.3.4", "unknown field key"},
        {"firmware=2.1", "read only"},
        {"card=eth0", "read only"},
        {"ip=1.2.3", "not an address"},
        {"ip=1.2.3.4.5", "not an address"},
        {"ip=1.2.3.-4", "not an address"},
        {"mac=00-04-A3-0A-0B", "not a MAC address"},
        {"mac=00-04-A3-0A-0B-0G", "not a MAC address"},
        {"local_port=-1", "not a whole number"},
        {"local_port=4e3", "not a whole number"},
        {"baud=9601", "not a baud rate"},
        {"data_bits=9", "not 7 or 8"},
        {"stop_bits=1.5", "not 1 or 2"},
        {"dhcp=on", "not Enable or Disable"},
    };
    for (const auto &c : bad) {
        const Checked<FieldChange> change = parseFieldAssignment(c.in);
        EXPECT_FALSE(change.ok()) << c.in;
        EXPECT_TRUE(change.refusal.contains(c.why)) << c.in << ": " << change.refusal.toStdString();
    }
}

TEST(FieldKeys, UploadByMacTakesTheRecordAndTheChanges)
{
    const QByteArray record = encodeDiscoveryRecord(sampleRecord());
    const Checked<DiscoveryRecord> out = deviceUploadWithChanges(
        record, {{"ip", "192.168.1.50"}, {"mac", "00-04-A3-00-00-70"}, {"parity", "ODD"}, {"stop_bits", "2"},
                 {"bridge", "Enable"}, {"bridge_ip_2", "10.9.8.7"}, {"bridge_port_2", "9000"}});
    ASSERT_TRUE(out.ok()) << out.refusal.toStdString();
    DiscoveryRecord wanted = sampleRecord();
    wanted.unread25 = 0; // not carried by the upload
    wanted.ip = {192, 168, 1, 50};
    wanted.mac = {0x00, 0x04, 0xA3, 0x00, 0x00, 0x70};
    wanted.format = 0xDC;
    wanted.bridgeStatus = 1;
    wanted.bridgeIps[1] = {10, 9, 8, 7};
    wanted.bridgeRemotePorts[1] = 9000;
    EXPECT_EQ(*out.value, wanted);

    // Unchanged, the record writes back as it was.
    const Checked<DiscoveryRecord> same = deviceUploadWithChanges(record, {});
    ASSERT_TRUE(same.ok());
    EXPECT_EQ(discoveryFieldValues(encodeDiscoveryRecord(*same.value)), discoveryFieldValues(record));
}

TEST(FieldKeys, UploadByMacRefusesInTheWindowsOrder)
{
    const QByteArray record = encodeDiscoveryRecord(sampleRecord());
    const struct { QList<FieldChange> changes; const char *message; } cases[] = {
        {{{"gateway", "1.2.3.256"}, {"ip", "1.2.3.256"}}, "IP Address Error"},
        {{{"mask", "255.255.256.0"}}, "Subnet Mask Error"},
        {{{"remote_port", "65536"}, {"local_port", "65535"}}, "Remote port Error"},
        {{{"rx_timeout", "65536"}}, "Timeout Error"},
        {{{"source_4", "1.1.1.256"}, {"bridge_ip_1", "1.1.1.256"}}, "IP Source 4 Address Error"},
        {{{"bridge_local_port", "99999"}, {"bridge_port_1", "99999"}}, "Local Bridge port Error"},
        {{{"bridge_port_5", "65536"}, {"bridge_ip_5", "1.1.1.256"}}, "Remote Bridge 5 port Error"},
        {{{"bridge_ip_3", "256.0.0.0"}}, "IP Bridge 3 Address Error"},
        {{{"dhcp", "Enable"}}, "not in the discovery record"},
        {{{"firmware", "2.2"}}, "read only"},
    };
    for (const auto &c : cases) {
        const Checked<DiscoveryRecord> out = deviceUploadWithChanges(record, c.changes);
        EXPECT_FALSE(out.ok()) << c.message;
        EXPECT_TRUE(out.refusal.contains(c.message)) << out.refusal.toStdString();
    }
    // A record too short to fill the editor is refused by the first check it fails.
    EXPECT_EQ(deviceUploadWithChanges(record.left(20), {}).refusal, "Remote port Error");
}

TEST(FieldKeys, UploadByAddressTakesTheDownloadAndTheChanges)
{
    const QByteArray download = encodeSettingsBlock(sampleSettings());
    const Checked<SettingsUploadBlock> out = settingsUploadWithChanges(
        download, {{"ip", "192.168.0.77"}, {"baud", "19200"}, {"protocol", "TCP"}, {"dhcp", "Disable"},
                   {"tcp_server", "10.0.0.9"}, {"data_bits", "7"}});
    ASSERT_TRUE(out.ok()) << out.refusal.toStdString();
    EXPECT_EQ(out.value->ip, (Octets4{192, 168, 0, 77}));
    EXPECT_EQ(out.value->baudCode, 5);
    // A new rate without a timeout takes the rate's automatic timeout.
    EXPECT_EQ(out.value->uartTimeout, 1625);
    EXPECT_EQ(out.value->mode, 0x30); // TCP client, TCP, no DHCP
    EXPECT_EQ(out.value->tcpServer, (Octets4{10, 0, 0, 9}));
    EXPECT_EQ(out.value->format, 0xC1);
    EXPECT_EQ(out.value->remotePort, 4002);

    const FieldValues expected = expectedSettingsValues(*out.value, download);
    EXPECT_EQ(expected.value("firmware"), "2.1");
    EXPECT_EQ(changedKeys(settingsFieldValues(download), expected, settingsFieldKeys()),
              (QStringList{"ip", "baud", "rx_timeout", "data_bits", "dhcp", "protocol", "tcp_server"}));

    const Checked<SettingsUploadBlock> timed =
        settingsUploadWithChanges(download, {{"baud", "600"}, {"rx_timeout", "60000"}});
    ASSERT_TRUE(timed.ok());
    EXPECT_EQ(timed.value->uartTimeout, 60000);
}

TEST(FieldKeys, UploadByAddressRefusesWithTheProgrammerWindowsMessages)
{
    const QByteArray download = encodeSettingsBlock(sampleSettings());
    const struct { QList<FieldChange> changes; const char *message; } cases[] = {
        {{{"ip", "192.168.0.256"}},
         "The value selected for IP-Address field #3 is out of range. Values allowed are in the interval [0-255]"},
        {{{"gateway", "300.0.0.1"}}, "The value selected for Gateway field #0 is out of range."},
        {{{"mask", "255.999.0.0"}}, "The value selected for Subnet Mask field #1"},
        {{{"rx_timeout", "49"}}, "The value selected for UART Timeout is out of range."},
        {{{"local_port", "65536"}}, "Device Local Port Number Error\nThe value is out of range."},
        {{{"remote_port", "70000"}}, "Device Remote Port Number Error"},
        {{{"tcp_server", "10.0.0.256"}}, "Server remote IP-Address Error\nField #3"},
        {{{"mac", "00-04-A3-00-00-01"}}, "qvxctl mac"},
        {{{"source_1", "1.2.3.4"}}, "qvxctl source"},
        {{{"bridge_ip_1", "1.2.3.4"}}, "qvxctl bridge"},
        {{{"firmware", "1.0"}}, "read only"},
    };
    for (const auto &c : cases) {
        const Checked<SettingsUploadBlock> out = settingsUploadWithChanges(download, c.changes);
        EXPECT_FALSE(out.ok()) << c.message;
        EXPECT_TRUE(out.refusal.contains(c.message)) << out.refusal.toStdString();
    }
    EXPECT_FALSE(settingsUploadWithChanges(download.left(27), {}).ok());
    // A baud code the device reports outside the list is written back only when replaced.
    SettingsBlock odd = sampleSettings();
    odd.baudCode = 12;
    EXPECT_TRUE(settingsUploadWithChanges(encodeSettingsBlock(odd), {}).refusal.contains("unknown baud rate"));
    EXPECT_TRUE(settingsUploadWithChanges(encodeSettingsBlock(odd), {{"baud", "9600"}}).ok());
}
