#include "FakeEndpoint.h"
#include "RecordingSeams.h"

#include "protocol/Commands.h"
#include "protocol/Frame.h"
#include "protocol/IntervalTimer.h"
#include "protocol/Link.h"
#include "protocol/ProgramState.h"
#include "protocol/WriteSequence.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace qvx;
using namespace qvx::test;

namespace {

class LinkTest : public ::testing::Test {
protected:
    FakeEndpoint endpoint;
    RecordingMessageSink messages;
    ProgramState state;
    IntervalTimer timer1{QStringLiteral("Timer1"), 0, true};
    Link link{endpoint, state, timer1, messages};
};

// The port is bound once; switching between the device and the group, by routing or out of
// one card, sends where each request says, without closing or binding again.
TEST_F(LinkTest, BindsOnceAndSendsEachRequestWhereItSays)
{
    ASSERT_TRUE(link.sendCommand(CmdDownloadSettings));
    ASSERT_TRUE(link.sendFrame(CmdDiscovery, simpleCommandData(), Destination::group(), kDiscoveryTimeoutMs));
    state.deviceAddress = {10, 0, 0, 7};
    ASSERT_TRUE(link.sendToDevice(CmdLogout, simpleCommandData(), kReplyTimeoutMs));
    ASSERT_TRUE(link.sendFrame(CmdLoginStatus, simpleCommandData(), Destination::device(0xAC100509), 0));
    ASSERT_TRUE(link.sendFrameThroughCard(CmdDiscovery, simpleCommandData(), Destination::group(),
                                          NetworkCard{3, 0xC0A8000A}, kDiscoveryTimeoutMs).ok);
    EXPECT_EQ(endpoint.bindCount, 1);
    EXPECT_EQ(endpoint.boundPort, 65000);
    EXPECT_TRUE(state.commandPending);
    EXPECT_EQ(timer1.interval(), kDiscoveryTimeoutMs);

    const struct { const char *host, *frame; int card; } expected[] = {
        {"192.168.0.1", "3C236102AAAAB73E", -1}, {"239.0.0.8", "3C236B02AAAAC13E", -1},
        {"10.0.0.7", "3C236702AAAABD3E", -1},    {"172.16.5.9", "3C236602AAAABC3E", -1},
        {"239.0.0.8", "3C236B02AAAAC13E", 3}};
    ASSERT_EQ(endpoint.sent.size(), 5);
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(endpoint.sent[i].host, expected[i].host);
        EXPECT_EQ(endpoint.sent[i].port, 4096);
        EXPECT_EQ(endpoint.sent[i].throughCard, expected[i].card >= 0);
        if (expected[i].card >= 0) {
            EXPECT_EQ(endpoint.sent[i].card.interfaceIndex, expected[i].card);
        }
        EXPECT_EQ(endpoint.sent[i].datagram, QByteArray::fromHex(expected[i].frame));
    }

    // An octet out of range is no destination: nothing leaves.
    state.deviceAddress = {10, 0, 256, 7};
    EXPECT_FALSE(link.sendCommand(CmdLogout));
    EXPECT_EQ(endpoint.sent.size(), 5);
    EXPECT_EQ(messages.lastText(), "Invalid destination address: 10.0.256.7");
}

TEST_F(LinkTest, ABusyPortIsReportedOnceAndRetriedByTheNextSend)
{
    endpoint.failBind = true;
    EXPECT_FALSE(link.sendCommand(CmdDownloadSettings));
    EXPECT_FALSE(link.sendFrame(CmdDiscovery, simpleCommandData(), Destination::group(), kDiscoveryTimeoutMs));
    EXPECT_FALSE(link.sendFrameThroughCard(CmdDiscovery, simpleCommandData(), Destination::group(), {3, 0}, 0).ok);
    EXPECT_EQ(endpoint.bindCount, 3);
    EXPECT_TRUE(endpoint.sent.isEmpty());
    EXPECT_FALSE(state.commandPending);
    ASSERT_EQ(messages.messages.size(), 1);
    EXPECT_TRUE(messages.messages[0].text.contains("65000"));
    EXPECT_TRUE(messages.messages[0].text.contains("already in use"));

    endpoint.failBind = false;
    EXPECT_TRUE(link.sendCommand(CmdDownloadSettings));
    EXPECT_TRUE(link.sendFrame(CmdDiscovery, simpleCommandData(), Destination::group(), kDiscoveryTimeoutMs));
    EXPECT_TRUE(link.sendCommand(CmdDownloadSettings));
    EXPECT_EQ(endpoint.bindCount, 4);
    EXPECT_EQ(endpoint.sent.size(), 3);
    EXPECT_EQ(messages.messages.size(), 1);
}

TEST_F(LinkTest, ArmsTheReplyTimerOnlyWhenAReplyIsAwaited)
{
    ASSERT_TRUE(link.sendToDevice(CmdBaudOnTheFly, QByteArray::fromHex("04C0"), 0));
    ASSERT_TRUE(link.sendQuietly(CmdDownloadSettings, simpleCommandData(), Destination::device(0x0A000009)).ok);
    EXPECT_EQ(endpoint.lastHost(), "10.0.0.9");
    EXPECT_FALSE(state.commandPending);
    EXPECT_FALSE(timer1.isCounting());

    ASSERT_TRUE(link.sendCommand(CmdSetDefault));
    EXPECT_TRUE(state.commandPending);
    EXPECT_EQ(timer1.interval(), kReplyTimeoutMs);

    link.stopReplyWait();
    EXPECT_FALSE(state.commandPending);
    EXPECT_FALSE(timer1.isEnabled());
    EXPECT_EQ(timer1.interval(), 0);

    // Only a request of the user's clears the silence report, not the login poll.
    state.silenceReported = true;
    ASSERT_TRUE(link.sendCommand(CmdLoginStatus));
    EXPECT_TRUE(state.silenceReported);
    ASSERT_TRUE(link.sendCommand(CmdDownloadSettings));
    EXPECT_FALSE(state.silenceReported);
}

// A failed send is shown, with the note about the device's address for unicast only, and
// leaves the wait as it was; a quiet send, or one out of a card, returns its failure and shows
// nothing. (The titles of the boxes are checked with the programmer window's commands.)
TEST_F(LinkTest, ASendErrorIsShownAndLeavesTheWaitAsItWas)
{
    link.setUnicastFailureNote([](const QString &host) { return QStringLiteral("No card reaches %1.").arg(host); });
    endpoint.failSend = true;
    EXPECT_FALSE(link.sendCommand(CmdLogout));
    EXPECT_FALSE(state.commandPending);
    EXPECT_EQ(timer1.interval(), 0);

    endpoint.failSend = false;
    ASSERT_TRUE(link.sendCommand(CmdLoginStatus));
    endpoint.failSend = true;
    EXPECT_FALSE(link.sendFrame(CmdDiscovery, simpleCommandData(), Destination::group(), kDiscoveryTimeoutMs));
    EXPECT_EQ(link.sendQuietly(CmdDownloadSettings, simpleCommandData(), Destination::device(0x0A000009)).errorNumber,
              10051);
    EXPECT_FALSE(link.sendFrameThroughCard(CmdDiscovery, simpleCommandData(), Destination::group(), NetworkCard{4, 0},
                                           kDiscoveryTimeoutMs).ok);
    EXPECT_EQ(messages.texts(),
              (QStringList{"Network is unreachable\nNo card reaches 192.168.0.1.", "Network is unreachable"}));
    EXPECT_TRUE(state.commandPending);
    EXPECT_EQ(timer1.interval(), kReplyTimeoutMs);
}

// Logout at once; the block is built only when the timer fires, from the values of that
// moment; a builder that returns nothing sends nothing; a cancelled write never leaves.
TEST_F(LinkTest, AWriteSequenceBuildsItsBlockWhenTheTimerFires)
{
    IntervalTimer deferred{QStringLiteral("Timer4"), 0, false};
    WriteSequence sequence(link, deferred);
    QSignalSpy finished(&sequence, &WriteSequence::finished);
    int builds = 0;
    std::optional<QByteArray> block = QByteArray::fromHex("C0A80001");
    const auto builder = [&] {
        ++builds;
        return block;
    };

    sequence.start(CmdUploadSource, builder, 40);
    EXPECT_EQ(endpoint.commands(), (QList<int>{CmdLogout}));
    EXPECT_EQ(builds, 0);
    EXPECT_EQ(sequence.waitingCode(), CmdUploadSource);
    block = QByteArray::fromHex("0A000001"); // changed after the button was pressed
    ASSERT_TRUE(finished.wait(2000));
    ASSERT_EQ(endpoint.sent.size(), 2);
    EXPECT_EQ(endpoint.sent[1].host, "192.168.0.1");
    EXPECT_EQ(endpoint.sent[1].datagram, QByteArray::fromHex("3C236A040A000001793E"));
    EXPECT_EQ(finished.takeFirst(), (QList<QVariant>{QVariant::fromValue(quint8(CmdUploadSource)), true}));
    EXPECT_EQ(builds, 1);
    EXPECT_FALSE(sequence.isWaiting());
    EXPECT_FALSE(deferred.isCounting()); // single shot

    endpoint.clearSent();
    block.reset();
    sequence.start(CmdUploadBridge, builder, 0);
    sequence.sendNow();
    EXPECT_EQ(endpoint.commands(), (QList<int>{CmdLogout}));
    EXPECT_EQ(finished.takeFirst(), (QList<QVariant>{QVariant::fromValue(quint8(CmdUploadBridge)), false}));

    endpoint.clearSent();
    sequence.start(CmdUploadSettings, builder, 20);
    sequence.cancel();
    QTest::qWait(80);
    EXPECT_EQ(endpoint.commands(), (QList<int>{CmdLogout}));
    EXPECT_EQ(builds, 2);
    EXPECT_TRUE(finished.isEmpty());
}

TEST(IntervalTimerTest, CountsOnlyEnabledWithAnIntervalAndKeepsTheDeadlineOnRearming)
{
    IntervalTimer t(QStringLiteral("T"), 0, true);
    EXPECT_FALSE(t.isCounting());
    t.setInterval(50);
    EXPECT_TRUE(t.isCounting());
    t.setEnabled(false);
    EXPECT_FALSE(t.isCounting());

    // Arming while counting keeps the deadline unless the new wait is longer.
    t.arm(2000);
    ASSERT_TRUE(QTest::qWaitFor([&] { return t.remainingTime() < 1950; }, 1000));
    t.arm(2000);
    EXPECT_LT(t.remainingTime(), 1960);
    t.arm(5000);
    EXPECT_GT(t.remainingTime(), 4900);

    IntervalTimer repeating(QStringLiteral("R"), 10, true);
    int fired = 0;
    QObject::connect(&repeating, &IntervalTimer::timeout, [&] { ++fired; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return fired >= 3; }, 2000));
}

} // namespace
