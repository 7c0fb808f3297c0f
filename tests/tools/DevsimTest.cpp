// The simulated devices, driven without a network: what they refuse and the silent fault.
// Their answers to each command are exercised by qvxctl's tests (tests/ctl) and e2e_ctl.
#include "Options.h"
#include "Simulator.h"

#include "protocol/Commands.h"
#include "protocol/Frame.h"

#include <gtest/gtest.h>

using namespace qvx;
using namespace qvx::devsim;

namespace {

constexpr Ipv4 kProgram = 0xC0A8000A; // 192.168.0.10
constexpr quint16 kProgramPort = 65000;

const QByteArray kPassword = padPassword(QStringLiteral("123456"));

class DevsimTest : public ::testing::Test {
protected:
    void SetUp() override { sim = makeSim(3); }

    static std::unique_ptr<Simulator> makeSim(int count, QStringList extra = {})
    {
        Options o;
        QString error;
        const QStringList args = QStringList{QStringLiteral("--devices"), QString::number(count)} + extra;
        EXPECT_TRUE(parseOptions(args, &o, &error)) << error.toStdString();
        std::vector<Device> devices = makeDevices(o, &error);
        EXPECT_EQ(int(devices.size()), count) << error.toStdString();
        return std::make_unique<Simulator>(std::move(devices), o.seed);
    }

    Outcome send(Ipv4 to, quint8 cmd, const QByteArray &data = simpleCommandData(), qint64 now = 0)
    {
        return sim->handle(Datagram{buildRequestFrame(cmd, data), kProgram, kProgramPort, to}, now);
    }

    Device &dev(int i) { return sim->devices()[std::size_t(i)]; }

    std::unique_ptr<Simulator> sim;
    const Ipv4 first = 0xC0A80001, second = 0xC0A80002; // 192.168.0.1 and .2
    const Ipv4 group = DeviceGroup();
};

} // namespace

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
    EXPECT_TRUE(silent(buildRequestFrame(CmdLogin, kPassword.left(11)), first));
    EXPECT_TRUE(silent(buildRequestFrame(CmdUploadSettings, QByteArray(32, '\0')), first));
    EXPECT_TRUE(silent(buildRequestFrame(CmdUploadSelected, QByteArray(81, '\0')), group));
    EXPECT_FALSE(dev(0).loggedIn);
    EXPECT_EQ(dev(0).address(), first);
}

TEST_F(DevsimTest, SilentDeviceActsButNeverAnswers)
{
    sim = makeSim(3, {QStringLiteral("--silent-ip"), QStringLiteral("192.168.0.2")});
    EXPECT_TRUE(dev(1).silent);
    EXPECT_EQ(send(group, CmdDiscovery).replies.size(), 2u);
    EXPECT_TRUE(send(second, CmdLogin, kPassword).replies.empty());
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
