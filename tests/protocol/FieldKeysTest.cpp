#include "Samples.h"

#include "protocol/FieldKeys.h"

#include <gtest/gtest.h>

using namespace qvx;
using namespace qvx::test;

TEST(FieldKeys, BothRecordsGiveTheirValuesByKey)
{
    const QStringList listing = discoveryFieldKeys() + QStringList{kCardKey};
    EXPECT_EQ(valuesInOrder(discoveryFieldValues(kSampleDeviceBytes, "eth0 10.0.0.2"), listing),
              kSampleDeviceRow + QStringList{"eth0 10.0.0.2"});
    const FieldValues shortRecord = discoveryFieldValues(kSampleDeviceBytes.left(10));
    EXPECT_EQ(shortRecord.value("ip"), "10.0.0.254");
    EXPECT_EQ(shortRecord.value("mask"), "") << "a field the record does not carry whole is empty";

    EXPECT_EQ(valuesInOrder(settingsFieldValues(kSampleSettingsBytes), settingsFieldKeys()).join(' '),
              "00-1A-2B-3C-4D-5E 10.0.0.254 255.255.255.0 10.0.0.1 4096 4097 9600 3250 3.10 7 ODD 2 Enable "
              "Enable UDP Client 172.16.0.9");
    const FieldValues noMode = settingsFieldValues(kSampleSettingsBytes.left(28));
    EXPECT_FALSE(noMode.contains("dhcp"));
    EXPECT_FALSE(noMode.contains("tcp_server"));
    EXPECT_EQ(noMode.value("default_timeout"), "Enable");
}

TEST(FieldKeys, AssignmentsAreNormalisedOrRefused)
{
    const struct { const char *in, *key, *value; } good[] = {
        {"ip=192.168.000.020", "ip", "192.168.0.20"},   {"ip=10.0.0.300", "ip", "10.0.0.300"}, // range: the write's
        {"mac=00:04:a3:0a:0b:0c", "mac", "00-04-A3-0A-0B-0C"}, {"parity=even", "parity", "EVEN"},
        {"default_timeout=DISABLE", "default_timeout", "Disable"}, {"bridge=enable", "bridge", "Enable"},
        {"tcp_mode=client", "tcp_mode", "Client"},
        {"local_port=0065", "local_port", "65"},         {"bridge_port_5=70000", "bridge_port_5", "70000"},
        {"tcp_server= 10.0.0.1 ", "tcp_server", "10.0.0.1"}, {"baud=115200", "baud", "115200"},
    };
    for (const auto &c : good) {
        const Checked<FieldChange> change = parseFieldAssignment(c.in);
        ASSERT_TRUE(change.ok()) << c.in << ": " << change.refusal.toStdString();
        EXPECT_EQ(*change.value, (FieldChange{c.key, c.value})) << c.in;
    }
    const struct { const char *in, *why; } bad[] = {
        {"ip", "not KEY=VALUE"},          {"address=1.2.3.4", "unknown field key"},
        {"firmware=2.1", "read only"},    {"card=eth0", "read only"},
        {"source_4=1.2.3.-4", "not an address"},
        {"mac=00-04-A3-0A-0B", "not a MAC address"}, {"mac=00-04:A3-0A-0B-0C", "not a MAC address"},
        {"local_port=4e3", "not a whole number"},    {"baud=9601", "not a baud rate"},
        {"data_bits=9", "not 7 or 8"},    {"stop_bits=1.5", "not 1 or 2"},
        {"dhcp=on", "not Enable or Disable"},
    };
    for (const auto &c : bad) {
        const Checked<FieldChange> change = parseFieldAssignment(c.in);
        EXPECT_FALSE(change.ok()) << c.in;
        EXPECT_TRUE(change.refusal.contains(c.why)) << c.in << ": " << change.refusal.toStdString();
    }
}

TEST(FieldKeys, UploadByMacTakesTheRecordAndTheChangesOrRefusesInTheWindowsOrder)
{
    const Checked<DiscoveryRecord> out = deviceUploadWithChanges(
        kSampleDeviceBytes, {{"ip", "192.168.1.50"}, {"mac", "00-04-A3-00-00-70"}, {"parity", "EVEN"},
                             {"stop_bits", "1"}, {"bridge", "Disable"}, {"bridge_ip_2", "10.9.8.7"},
                             {"bridge_port_2", "9000"}, {"default_timeout", "Disable"}, {"baud", "600"}});
    ASSERT_TRUE(out.ok()) << out.refusal.toStdString();
    DiscoveryRecord wanted = SampleDevice();
    wanted.unread25 = 0; // not carried by the upload
    wanted.ip = {192, 168, 1, 50};
    wanted.mac = {0x00, 0x04, 0xA3, 0x00, 0x00, 0x70};
    wanted.format = 0xC5;
    wanted.bridgeStatus = 0;
    wanted.bridgeIps[1] = {10, 9, 8, 7};
    wanted.bridgeRemotePorts[1] = 9000;
    wanted.timeoutToDefault = 0;
    wanted.baudCode = 0;
    EXPECT_EQ(*out.value, wanted);

    const struct { QList<FieldChange> changes; const char *message; } cases[] = {
        {{{"gateway", "1.2.3.256"}, {"ip", "1.2.3.256"}}, "IP Address Error"},
        {{{"remote_port", "65536"}, {"local_port", "65535"}}, "Remote port Error"},
        {{{"rx_timeout", "65536"}}, "Timeout Error"},
        {{{"source_4", "1.1.1.256"}, {"bridge_ip_1", "1.1.1.256"}}, "IP Source 4 Address Error"},
        {{{"bridge_port_5", "65536"}, {"bridge_ip_5", "1.1.1.256"}}, "Remote Bridge 5 port Error"},
        {{{"dhcp", "Enable"}}, "not in the discovery record"},
        {{{"firmware", "2.2"}}, "read only"},
    };
    for (const auto &c : cases)
        EXPECT_TRUE(deviceUploadWithChanges(kSampleDeviceBytes, c.changes).refusal.contains(c.message)) << c.message;
    // A record too short to fill the editor is refused by the first check it fails.
    EXPECT_EQ(deviceUploadWithChanges(kSampleDeviceBytes.left(20), {}).refusal, "Remote port Error");
}

TEST(FieldKeys, UploadByAddressTakesTheDownloadAndTheChangesOrRefusesAsTheProgrammerWindow)
{
    const Checked<SettingsUploadBlock> out = settingsUploadWithChanges(
        kSampleSettingsBytes, {{"ip", "192.168.0.77"}, {"baud", "19200"}, {"protocol", "TCP"}, {"dhcp", "Disable"},
                               {"tcp_server", "10.0.0.9"}, {"data_bits", "8"}});
    ASSERT_TRUE(out.ok()) << out.refusal.toStdString();
    EXPECT_EQ(out.value->ip, (Octets4{192, 168, 0, 77}));
    EXPECT_EQ(out.value->baudCode, 5);
    EXPECT_EQ(out.value->uartTimeout, 1625) << "a new rate without a timeout takes the rate's automatic timeout";
    EXPECT_EQ(out.value->mode, 0x30); // TCP client, TCP, no DHCP
    EXPECT_EQ(out.value->tcpServer, (Octets4{10, 0, 0, 9}));
    EXPECT_EQ(out.value->format, 0xDC);
    EXPECT_EQ(out.value->remotePort, 4097);
    const FieldValues expected = expectedSettingsValues(*out.value, kSampleSettingsBytes);
    EXPECT_EQ(expected.value("firmware"), "3.10");
    EXPECT_EQ(changedKeys(settingsFieldValues(kSampleSettingsBytes), expected, settingsFieldKeys()),
              (QStringList{"ip", "baud", "rx_timeout", "data_bits", "dhcp", "protocol", "tcp_server"}));
    EXPECT_EQ(settingsUploadWithChanges(kSampleSettingsBytes, {{"baud", "600"}, {"rx_timeout", "60000"}})
                  .value->uartTimeout,
              60000);

    const struct { QList<FieldChange> changes; const char *message; } cases[] = {
        {{{"ip", "192.168.0.256"}},
         "The value selected for IP-Address field #3 is out of range. Values allowed are in the interval [0-255]"},
        {{{"mask", "255.999.0.0"}}, "The value selected for Subnet Mask field #1"},
        {{{"rx_timeout", "49"}}, "The value selected for UART Timeout is out of range."},
        {{{"local_port", "65536"}}, "Device Local Port Number Error\nThe value is out of range."},
        {{{"tcp_server", "10.0.0.256"}}, "Server remote IP-Address Error\nField #3"},
        {{{"mac", "00-04-A3-00-00-01"}}, "qvxctl mac"},
        {{{"source_1", "1.2.3.4"}}, "qvxctl source"},
        {{{"bridge_ip_1", "1.2.3.4"}}, "qvxctl bridge"},
    };
    for (const auto &c : cases)
        EXPECT_TRUE(settingsUploadWithChanges(kSampleSettingsBytes, c.changes).refusal.contains(c.message)) << c.message;
    EXPECT_FALSE(settingsUploadWithChanges(kSampleSettingsBytes.left(27), {}).ok());
    // A baud code the device reports outside the list is written back only when replaced.
    QByteArray odd = kSampleSettingsBytes;
    odd[22] = char(12);
    EXPECT_TRUE(settingsUploadWithChanges(odd, {}).refusal.contains("unknown baud rate"));
    EXPECT_TRUE(settingsUploadWithChanges(odd, {{"baud", "9600"}}).ok());
}

