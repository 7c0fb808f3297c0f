// The simulated devices, driven without a network: what they refuse, the silent fault and
// the faults injected into their replies. Their answers to each command are exercised by
// qvxctl's tests (tests/ctl) and e2e_ctl, where one device of 51 answers with wrong
// checksums while the others are spared. Last, the socket front end on loopback addresses
// only (127.0.0.x, a free port, no group).
#include "Faults.h"
#include "LoopbackDevice.h"
#include "Options.h"
#include "SimServer.h"
#include "Simulator.h"

#include "protocol/Commands.h"
#include "protocol/Frame.h"

#include <gtest/gtest.h>

#include <thread>

using namespace qvx;
using namespace qvx::devsim;

namespace {

constexpr Ipv4 kProgram = 0xC0A8000A; // 192.168.0.10
constexpr quint16 kProgramPort = 65000;

const QByteArray kPassword = padPassword(QStringLiteral("123456"));
const QByteArray kFrame = buildReplyFrame(97, QByteArray(33, '\x11'));

FaultSettings Only(int FaultSettings::*field, int percent)
{
    FaultSettings s;
    s.*field = percent;
    return s;
}

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

TEST(DevsimFaults, EachFaultDoesWhatItSays)
{
    auto out = FaultInjector().apply(kFrame, true);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].bytes, kFrame);
    EXPECT_TRUE(out[0].fault.isEmpty());

    QString why;
    EXPECT_TRUE(FaultInjector(Only(&FaultSettings::dropPercent, 100)).apply(kFrame, true, &why).empty());
    EXPECT_EQ(why, "dropped");

    out = FaultInjector(Only(&FaultSettings::duplicatePercent, 100)).apply(kFrame, true);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].bytes, kFrame);
    EXPECT_EQ(out[1].bytes, kFrame);
    EXPECT_EQ(out[1].fault, "duplicate");

    // Only the checksum differs, so the program must refuse it for that reason alone; a
    // truncated reply is a true prefix of at least one byte.
    FaultInjector corrupt(Only(&FaultSettings::corruptPercent, 100));
    FaultInjector truncate(Only(&FaultSettings::truncatePercent, 100));
    const int checksum = int(kFrame.size()) - 2;
    for (int i = 0; i < 50; ++i) {
        out = corrupt.apply(kFrame, true);
        ASSERT_EQ(out.size(), 1u);
        ASSERT_EQ(out[0].bytes.size(), kFrame.size());
        EXPECT_NE(out[0].bytes[checksum], kFrame[checksum]);
        EXPECT_EQ(out[0].bytes.left(checksum), kFrame.left(checksum));
        EXPECT_FALSE(recognizeReply(out[0].bytes));

        out = truncate.apply(kFrame, true);
        ASSERT_EQ(out.size(), 1u);
        EXPECT_LT(out[0].bytes.size(), kFrame.size());
        EXPECT_GE(out[0].bytes.size(), 1);
        EXPECT_EQ(out[0].bytes, kFrame.left(out[0].bytes.size()));
        EXPECT_FALSE(recognizeReply(out[0].bytes));
    }
}

TEST(DevsimFaults, PercentagesAndDelaysFollowTheSeed)
{
    FaultSettings s;
    s.dropPercent = 30;
    s.corruptPercent = 20;
    s.duplicatePercent = 10;
    s.delayMs = 50;
    s.jitterMs = 20;
    const auto run = [&](quint32 seed) {
        FaultInjector f(s, seed);
        std::vector<std::pair<int, int>> trace; // (datagrams, first delay)
        int dropped = 0, corrupt = 0, duplicated = 0;
        for (int i = 0; i < 2000; ++i) {
            const auto out = f.apply(kFrame, true);
            dropped += out.empty();
            duplicated += out.size() == 2;
            for (const Emission &e : out) {
                EXPECT_GE(e.delayMs, 50);
                EXPECT_LE(e.delayMs, 70);
            }
            if (!out.empty())
                corrupt += !recognizeReply(out[0].bytes).has_value();
            trace.emplace_back(int(out.size()), out.empty() ? -1 : out[0].delayMs);
        }
        EXPECT_NEAR(dropped, 600, 120);
        EXPECT_NEAR(corrupt, 1400 * 0.2, 80);
        EXPECT_NEAR(duplicated, 1400 * 0.1, 60);
        return trace;
    };
    EXPECT_EQ(run(7), run(7));
    EXPECT_NE(run(7), run(8));
}

TEST(SimServerLoopback, DelayedRepliesWaitTheirTurnAndStopEndsTheLoop)
{
    Options o;
    o.firstIp = *parseIpv4(QStringLiteral("127.0.0.2"));
    o.devices = 3;
    QString error;
    Simulator sim(makeDevices(o, &error));
    FaultSettings slow;
    slow.delayMs = 250;
    FaultInjector injector(slow);
    Logger log;
    SimServer server(sim, injector, log);
    ServerSettings settings;
    settings.port = 0;
    settings.multicast = false;
    ASSERT_TRUE(server.open(settings, &error)) << error.toStdString();
    int exitCode = -1;
    std::thread loop([&] { exitCode = server.run(); });

    test::LoopbackDevice program;
    const qint64 sent = nowMs();
    program.writeDatagram(buildRequestFrame(CmdLoginStatus, simpleCommandData()), server.port(), 0x7F000003);
    const std::optional<test::LoopbackDevice::Datagram> reply = program.receive(3000);
    const qint64 waited = nowMs() - sent;
    server.requestStop();
    loop.join();
    EXPECT_EQ(exitCode, 0);
    ASSERT_TRUE(reply);
    EXPECT_GE(waited, 240);
    EXPECT_EQ(recognizeReply(reply->data)->data, QByteArray(4, '\0'));
    EXPECT_EQ(server.requestsReceived(), 1u);
}
