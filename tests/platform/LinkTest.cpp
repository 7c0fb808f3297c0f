#include "FakeEndpoint.h"
#include "RecordingSeams.h"

#include "protocol/Commands.h"
#include "protocol/Frame.h"
#include "protocol/IntervalTimer.h"
#include "protocol/Link.h"
#include "protocol/ProgramState.h"

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

TEST_F(LinkTest, AimsAtTheDeviceOrTheGroupAndKeepsAnAimedEndpointBound)
{
    link.selectUnicastTarget();
    EXPECT_EQ(endpoint.remoteHost(), "192.168.0.1");
    EXPECT_EQ(endpoint.remotePort(), kDevicePort);
    EXPECT_EQ(endpoint.boundPort, kLocalPort);
    EXPECT_TRUE(link.isUnicastTargetSelected());

    // Already aimed: no close and re-bind per request.
    const int closes = endpoint.closeCount, binds = endpoint.bindCount;
    ASSERT_TRUE(link.sendCommand(CmdLoginStatus));
    ASSERT_TRUE(link.sendCommand(CmdDownloadSettings));
    EXPECT_EQ(endpoint.closeCount, closes);
    EXPECT_EQ(endpoint.bindCount, binds);
    EXPECT_EQ(endpoint.sent[1].datagram, QByteArray::fromHex("3C236102AAAAB73E"));

    ASSERT_TRUE(link.sendFrame(CmdDiscovery, simpleCommandData(), Target::Multicast, kDiscoveryTimeoutMs));
    EXPECT_EQ(endpoint.sent.last().host, "239.0.0.8");
    EXPECT_EQ(endpoint.sent.last().port, kDevicePort);
    EXPECT_EQ(timer1.interval(), kDiscoveryTimeoutMs);
    ASSERT_TRUE(link.sendCommand(CmdLogout));
    EXPECT_EQ(endpoint.sent.last().host, "192.168.0.1");

    state.deviceAddress = {10, 0, 0, 7};
    EXPECT_FALSE(link.isUnicastTargetSelected());
}

TEST_F(LinkTest, ArmsTheReplyTimerUnlessNoReplyIsAwaited)
{
    ASSERT_TRUE(link.sendFrame(CmdBaudOnTheFly, QByteArray::fromHex("04C0"), Target::Unicast, 0));
    EXPECT_FALSE(state.commandPending);
    EXPECT_FALSE(timer1.isCounting());

    ASSERT_TRUE(link.sendCommand(CmdSetDefault));
    EXPECT_TRUE(state.commandPending);
    EXPECT_TRUE(timer1.isCounting());
    EXPECT_EQ(timer1.interval(), kReplyTimeoutMs);

    link.stopReplyWait();
    EXPECT_FALSE(state.commandPending);
    EXPECT_FALSE(timer1.isEnabled());
    EXPECT_EQ(timer1.interval(), 0);
}

TEST_F(LinkTest, ASendErrorIsShownAndLeavesTheWaitAsItWas)
{
    endpoint.failSend = true;
    endpoint.failErrorNumber = 10065;
    endpoint.failErrorText = "No route to host";
    EXPECT_FALSE(link.sendCommand(CmdLogout));
    EXPECT_FALSE(state.commandPending);
    EXPECT_EQ(timer1.interval(), 0);
    // Simple commands have two blanks in the title.
    EXPECT_EQ(messages.messages, (QList<ShownMessage>{{"No route to host", "Errore  10065", MessageIcon::Exclamation}}));

    endpoint.failSend = false;
    ASSERT_TRUE(link.sendCommand(CmdLoginStatus));
    endpoint.failSend = true;
    EXPECT_FALSE(link.sendFrame(CmdDiscovery, simpleCommandData(), Target::Multicast, kDiscoveryTimeoutMs));
    EXPECT_EQ(messages.messages.last().title, "Errore 10065");
    EXPECT_TRUE(state.commandPending);
    EXPECT_EQ(timer1.interval(), kReplyTimeoutMs);
}

TEST_F(LinkTest, ABusyLocalPortIsReportedOnceAndRetriedAtEachSend)
{
    endpoint.failBind = true;
    link.selectUnicastTarget();
    link.selectUnicastTarget();
    ASSERT_EQ(messages.messages.size(), 1);
    EXPECT_TRUE(messages.messages[0].text.contains("65000"));
    EXPECT_TRUE(messages.messages[0].text.contains("already in use"));

    const int binds = endpoint.bindCount;
    EXPECT_FALSE(link.sendCommand(CmdDownloadSettings));
    EXPECT_GT(endpoint.bindCount, binds);
    EXPECT_TRUE(endpoint.sent.isEmpty());
    EXPECT_FALSE(state.commandPending);
    EXPECT_EQ(messages.messages.size(), 1);

    endpoint.failBind = false;
    EXPECT_TRUE(link.sendCommand(CmdDownloadSettings));
    EXPECT_EQ(endpoint.sent.size(), 1);

    // A later failure is news again.
    endpoint.failBind = true;
    link.selectMulticastTarget();
    EXPECT_EQ(messages.messages.size(), 2);
}

TEST_F(LinkTest, OnlyUserRequestsClearTheSilenceReport)
{
    state.silenceReported = true;
    ASSERT_TRUE(link.sendCommand(CmdLoginStatus)); // the login poll
    EXPECT_TRUE(state.silenceReported);
    ASSERT_TRUE(link.sendCommand(CmdDownloadSettings));
    EXPECT_FALSE(state.silenceReported);
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
    EXPECT_EQ(t.interval(), 5000);

    IntervalTimer repeating(QStringLiteral("R"), 10, true);
    int fired = 0;
    QObject::connect(&repeating, &IntervalTimer::timeout, [&] { ++fired; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return fired >= 3; }, 2000));
}

} // namespace

namespace {

TEST_F(LinkTest, SendsToTheGroupOutOfOneCardAndReturnsAFailureWithoutAMessage)
{
    link.selectUnicastTarget();
    const SendResult ok = link.sendFrameThroughCard(CmdDiscovery, simpleCommandData(), NetworkCard{3, 0xC0A8000A},
                                                    kDiscoveryTimeoutMs);
    ASSERT_TRUE(ok.ok);
    ASSERT_EQ(endpoint.sent.size(), 1);
    EXPECT_TRUE(endpoint.sent[0].throughCard);
    EXPECT_EQ(endpoint.sent[0].card.interfaceIndex, 3);
    EXPECT_EQ(endpoint.sent[0].host, "239.0.0.8");
    EXPECT_EQ(endpoint.sent[0].datagram, QByteArray::fromHex("3C236B02AAAAC13E"));
    EXPECT_TRUE(state.commandPending);
    EXPECT_EQ(timer1.interval(), kDiscoveryTimeoutMs);

    link.stopReplyWait();
    endpoint.failSend = true;
    const SendResult failed = link.sendFrameThroughCard(CmdDiscovery, simpleCommandData(), NetworkCard{4, 0},
                                                        kDiscoveryTimeoutMs);
    EXPECT_FALSE(failed.ok);
    EXPECT_EQ(failed.errorText, "Network is unreachable");
    EXPECT_FALSE(state.commandPending);
    EXPECT_TRUE(messages.messages.isEmpty());
}

} // namespace

namespace {

TEST_F(LinkTest, AWriteSequenceLogsOutNowAndArmsTheDeferredWrite)
{
    IntervalTimer deferred{QStringLiteral("deferred"), 0, false};
    link.startWriteSequence(CmdUploadSource, deferred, kDeferredWriteMs);
    ASSERT_EQ(endpoint.commands(), (QList<int>{CmdLogout}));
    EXPECT_EQ(endpoint.sent[0].host, "192.168.0.1");
    EXPECT_EQ(state.pendingWriteCode, CmdUploadSource);
    EXPECT_TRUE(deferred.isCounting());
    EXPECT_EQ(deferred.interval(), kDeferredWriteMs);
    EXPECT_TRUE(state.commandPending);
}

} // namespace
