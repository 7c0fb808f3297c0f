// The simulated devices, driven without a network: every reply is read back with the
// program's own frame recogniser and layout decoders.
#include "Options.h"
#include "Simulator.h"

#include "protocol/Commands.h"
#include "protocol/Frame.h"
#include "protocol/Layouts.h"

#include <gtest/gtest.h>

#include <set>

using namespace qvx;
using namespace qvx::devsim;

namespace {

constexpr Ipv4 kProgram = 0xC0A8000A; // 192.168.0.10
constexpr quint16 kProgramPort = 65000;

Ipv4 Ip(const char *text)
{
    return *parseIpv4(QString::fromLatin1(text));
}

QByteArray Password(const char *text)
{
    return padPassword(QString::fromLatin1(text));
}

class DevsimTest : public ::testing::Test {
protected:
    void SetUp() override { sim = makeSim(3); }

    static std::unique_ptr<Simulator> makeSim(int count, QStringList extra = {})
    {
        Options o;
        QString error;
        QStringList args{QStringLiteral("--devices"), QString::number(count), QStringLiteral("--skip"),
                         QStringLiteral("192.168.0.2")};
        args << extra;
        EXPECT_TRUE(parseOptions(args, &o, &error)) << error.toStdString();
        std::vector<Device> devices = makeDevices(o, &error);
        EXPECT_EQ(int(devices.size()), count) << error.toStdString();
        return std::make_unique<Simulator>(std::move(devices), o.seed);
    }

    Outcome send(Ipv4 to, quint8 cmd, const QByteArray &data = simpleCommandData(), qint64 now = 0)
    {
        return sim->handle(Datagram{buildRequestFrame(cmd, data), kProgram, kProgramPort, to}, now);
    }

    // The data of the only reply, checked as the program checks it.
    QByteArray only(const Outcome &o, quint8 cmd)
    {
        EXPECT_EQ(o.replies.size(), 1u) << o.notes.join(QLatin1Char('\n')).toStdString();
        const std::optional<Frame> f = o.replies.size() == 1 ? recognizeReply(o.replies[0].frame) : std::nullopt;
        EXPECT_TRUE(f && f->cmd == cmd);
        return f ? f->data : QByteArray();
    }

    Device &dev(int i) { return sim->devices()[std::size_t(i)]; }

    std::unique_ptr<Simulator> sim;
    const Ipv4 first = Ip("192.168.0.1");
    const Ipv4 second = Ip("192.168.0.3"); // .2 is skipped
    const Ipv4 third = Ip("192.168.0.4");
    const Ipv4 group = DeviceGroup();
};

} // namespace

TEST_F(DevsimTest, DevicesTakeConsecutiveAddressesAndOwnMacs)
{
    EXPECT_EQ((std::vector{dev(0).address(), dev(1).address(), dev(2).address()}), (std::vector{first, second, third}));
    EXPECT_EQ(macText(dev(0).settings.mac), "00-04-A3-00-00-01");
    EXPECT_EQ(macText(dev(2).settings.mac), "00-04-A3-00-00-03");
    EXPECT_EQ(dev(0).password, QByteArray("      123456"));

    // Host parts 0 and 255 are never used.
    Options o;
    o.firstIp = Ip("10.0.0.254");
    o.devices = 3;
    QString error;
    const std::vector<Device> wrapped = makeDevices(o, &error);
    ASSERT_EQ(wrapped.size(), 3u);
    EXPECT_EQ(wrapped[1].address(), Ip("10.0.1.1"));
}

TEST_F(DevsimTest, DownloadAnswersTheSettingsBlockOfTheAddressedDeviceOnly)
{
    dev(1).settings.baudCode = 8;
    dev(1).settings.mode = 0x70;
    dev(1).settings.tcpServer = {10, 1, 2, 3};
    const Outcome o = send(second, CmdDownloadSettings);
    const QByteArray data = only(o, CmdDownloadSettings);
    ASSERT_EQ(data.size(), SettingsOffset::FullLength);
    const SettingsBlock b = decodeSettingsBlock(data);
    EXPECT_EQ(b.mac, dev(1).settings.mac);
    EXPECT_EQ(dottedText(b.ip), QStringLiteral("192.168.0.3"));
    EXPECT_EQ(b.baudCode, 8);
    EXPECT_EQ(firmwareText(b.firmware), QStringLiteral("2.1"));
    EXPECT_EQ(decodeModeFlags(b.mode), (ModeFlags{true, true, true}));
    EXPECT_EQ(b.tcpServer, (Octets4{10, 1, 2, 3}));

    // From the device's own address, back to the sender's address and port.
    EXPECT_EQ(o.replies[0].from, second);
    EXPECT_EQ(o.replies[0].to, kProgram);
    EXPECT_EQ(o.replies[0].toPort, kProgramPort);

    EXPECT_TRUE(send(Ip("192.168.0.2"), CmdDownloadSettings).replies.empty());
    EXPECT_TRUE(send(Ip("192.168.0.77"), CmdDownloadSettings).replies.empty());

    sim->setShortSettings(true);
    EXPECT_EQ(only(send(first, CmdDownloadSettings), CmdDownloadSettings).size(), SettingsOffset::ShortLength);
}

TEST_F(DevsimTest, DiscoveryThroughTheGroupAnswersFromEveryDevice)
{
    dev(2).settings.sources[1] = {10, 0, 0, 1};
    dev(2).settings.bridge.enabled = true;
    dev(2).settings.bridge.remotePorts[4] = 8000;
    const Outcome o = send(group, CmdDiscovery);
    ASSERT_EQ(o.replies.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(o.replies[i].from, dev(int(i)).address());
        const std::optional<Frame> f = recognizeReply(o.replies[i].frame);
        ASSERT_TRUE(f);
        ASSERT_EQ(f->data.size(), kDiscoveryRecordLength);
    }
    const QStringList cells = discoveryRowTexts(recognizeReply(o.replies[2].frame)->data);
    ASSERT_EQ(cells.size(), kDeviceGridColumns);
    EXPECT_EQ((QStringList{cells[0], cells[1], cells[6], cells[7], cells[13], cells[16], cells[22]}),
              (QStringList{"00-04-A3-00-00-03", "192.168.0.4", "9600", "3250", "10.0.0.1", "Enable", "8000"}));

    // A discovery sent to one device's address is answered by that device only.
    EXPECT_EQ(send(first, CmdDiscovery).replies.size(), 1u);
}

TEST_F(DevsimTest, UploadNeedsNoLoginAndMovesTheDeviceToItsNewAddress)
{
    // The MAC address is not taken over.
    SettingsUploadBlock up{{1, 2, 3, 4, 5, 6}, {192, 168, 0, 201}, {255, 255, 0, 0}, {192, 168, 0, 254}, 5000, 6000, 7,
                           541, 0xDD, 0, 0x40, {1, 1, 1, 1}};
    ASSERT_FALSE(dev(0).loggedIn);
    const Outcome o = send(first, CmdUploadSettings, encodeSettingsUploadBlock(up));
    EXPECT_EQ(only(o, CmdUploadSettings), simpleCommandData());
    EXPECT_EQ(o.replies[0].from, first); // the acknowledgement leaves from the old address

    EXPECT_TRUE(send(first, CmdDownloadSettings).replies.empty());
    const SettingsBlock b = decodeSettingsBlock(only(send(Ip("192.168.0.201"), CmdDownloadSettings), CmdDownloadSettings));
    up.mac = dev(0).factory.mac; // the MAC address stays
    EXPECT_EQ((SettingsUploadBlock{b.mac, b.ip, b.mask, b.gateway, b.localPort, b.remotePort, b.baudCode, b.uartTimeout,
                                   b.format, b.timeoutToDefault, b.mode, b.tcpServer}),
              up);

    // Default configuration keeps the device where it is and restores the rest.
    EXPECT_EQ(only(send(Ip("192.168.0.201"), CmdSetDefault), CmdSetDefault), simpleCommandData());
    EXPECT_EQ(dev(0).address(), Ip("192.168.0.201"));
    EXPECT_EQ(dev(0).settings.mask, up.mask);
    EXPECT_EQ(dev(0).settings.baudCode, 4);
    EXPECT_EQ(dev(0).settings.localPort, 4001);
}

TEST_F(DevsimTest, UploadAndFactorySettingReachOnlyTheDeviceWithThatMac)
{
    DeviceUploadBlock up;
    up.destination = dev(1).settings.mac;
    up.settings = toDiscoveryRecord(dev(1).settings);
    up.settings.mac = {0x00, 0x04, 0xA3, 0x12, 0x34, 0x56};
    up.settings.ip = {192, 168, 0, 150};
    up.settings.sources[0] = {1, 2, 3, 4};
    up.settings.bridgeStatus = 1;
    up.settings.bridgeIps[0] = {5, 6, 7, 8};
    const Outcome o = send(group, CmdUploadSelected, encodeDeviceUploadBlock(up));
    EXPECT_EQ(only(o, CmdUploadSelected), simpleCommandData());
    EXPECT_EQ(o.replies[0].device, 1);
    EXPECT_EQ(o.replies[0].from, second);
    EXPECT_EQ(macText(dev(1).settings.mac), QStringLiteral("00-04-A3-12-34-56"));
    EXPECT_EQ(dev(1).address(), Ip("192.168.0.150"));
    EXPECT_EQ(dev(1).settings.sources[0], (Octets4{1, 2, 3, 4}));
    EXPECT_TRUE(dev(1).settings.bridge.enabled);
    EXPECT_EQ(dev(0).address(), first);
    EXPECT_EQ(dev(2).address(), third);

    // The old MAC address names nobody any more.
    EXPECT_TRUE(send(group, CmdUploadSelected, encodeDeviceUploadBlock(up)).replies.empty());

    // Sent to another device's address, a MAC-addressed request is not for that device.
    const QByteArray newMac("\x00\x04\xA3\x12\x34\x56", 6);
    EXPECT_TRUE(send(first, CmdFactorySetting, newMac).replies.empty());

    dev(1).password = Password("other1");
    const Outcome f = send(group, CmdFactorySetting, newMac);
    EXPECT_EQ(only(f, CmdFactorySetting), simpleCommandData());
    EXPECT_EQ(dev(1).address(), second);                     // start address again
    EXPECT_EQ(dev(1).settings.sources[0], (Octets4{}));      // start filter again
    EXPECT_EQ(macText(dev(1).settings.mac), QStringLiteral("00-04-A3-12-34-56")); // MAC stays
    EXPECT_EQ(dev(1).password, Password("123456"));
}

TEST_F(DevsimTest, MacReassignment)
{
    EXPECT_EQ(only(send(first, CmdMacFromCode, QByteArray("\x12\x34\x56", 3)), CmdMacFromCode), simpleCommandData());
    EXPECT_EQ(macText(dev(0).settings.mac), QStringLiteral("00-04-A3-12-34-56"));

    std::set<QString> seen;
    for (int i = 0; i < 20; ++i) {
        const Mac6 before = dev(0).settings.mac;
        EXPECT_EQ(only(send(first, CmdMacAutomatic), CmdMacAutomatic), simpleCommandData());
        const Mac6 after = dev(0).settings.mac;
        EXPECT_NE(after, before);
        EXPECT_TRUE(macText(after).startsWith("00-04-A3"));
        EXPECT_EQ(sim->findByMac(after), 0); // no other device has it
        seen.insert(macText(after));
    }
    EXPECT_GT(seen.size(), 15u);
}

TEST_F(DevsimTest, MalformedRequestsAreIgnored)
{
    const auto silent = [&](const QByteArray &bytes, Ipv4 to) {
        const Outcome o = sim->handle(Datagram{bytes, kProgram, kProgramPort, to}, 0);
        return o.replies.empty() && !o.notes.isEmpty();
    };
    QByteArray bad = buildRequestFrame(CmdDownloadSettings, simpleCommandData());
    bad[6] = char(bad[6] + 1);
    EXPECT_TRUE(silent(bad, first)) << "wrong checksum";
    EXPECT_TRUE(silent(buildReplyFrame(CmdDownloadSettings, simpleCommandData()), first)) << "a reply, not a request";
    EXPECT_TRUE(silent(buildRequestFrame(CmdDownloadSettings, simpleCommandData()).left(7), first)) << "truncated";
    EXPECT_TRUE(silent(QByteArray(), first));
    EXPECT_TRUE(silent(buildRequestFrame(96, simpleCommandData()), first)) << "below the command set";
    EXPECT_TRUE(silent(buildRequestFrame(114, simpleCommandData()), first)) << "above the command set";
    EXPECT_TRUE(silent(buildRequestFrame(CmdDownloadSettings, QByteArray("\xAA\xAB", 2)), first));
    EXPECT_TRUE(silent(buildRequestFrame(CmdLogin, Password("123456").left(11)), first));
    EXPECT_TRUE(silent(buildRequestFrame(CmdUploadSettings, QByteArray(32, '\0')), first));
    EXPECT_TRUE(silent(buildRequestFrame(CmdUploadSelected, QByteArray(81, '\0')), group));
    EXPECT_FALSE(dev(0).loggedIn);
    EXPECT_EQ(dev(0).address(), first);
}

TEST_F(DevsimTest, SilentDeviceActsButNeverAnswers)
{
    sim = makeSim(3, {QStringLiteral("--silent-ip"), QStringLiteral("192.168.0.3")});
    EXPECT_TRUE(dev(1).silent);
    EXPECT_EQ(send(group, CmdDiscovery).replies.size(), 2u);
    EXPECT_TRUE(send(second, CmdLogin, Password("123456")).replies.empty());
    EXPECT_TRUE(dev(1).loggedIn);

    sim = makeSim(2, {QStringLiteral("--silent")});
    EXPECT_TRUE(send(group, CmdDiscovery).replies.empty());
}

TEST(DevsimOptions, RefusesWhatItCannotSimulate)
{
    QString error;
    for (const char *wrong : {"--devices 0", "--devices", "--first-ip 1.2.3", "--first-ip 1.2.3.256", "--drop 101",
                              "--port 0", "--password 1234567890123", "--silent=yes", "--bogus", "--seed x"}) {
        Options bad;
        error.clear();
        EXPECT_FALSE(parseOptions(QString::fromLatin1(wrong).split(QLatin1Char(' ')), &bad, &error)) << wrong;
        EXPECT_FALSE(error.isEmpty()) << wrong;
    }

    // A fault aimed at an address no device has would silently test nothing.
    Options unknownDevice;
    unknownDevice.silentIps.push_back(*parseIpv4(QStringLiteral("192.168.0.99")));
    EXPECT_TRUE(makeDevices(unknownDevice, &error).empty());
    EXPECT_TRUE(error.contains(QStringLiteral("192.168.0.99")));
}
