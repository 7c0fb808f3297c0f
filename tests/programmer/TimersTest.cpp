#include "ProgrammerFixture.h"

#include <QSignalSpy>

namespace qvx::test {
namespace {

const QString kNoReply = QStringLiteral("The command has not been executed or not completely succeded");

using Timers = ProgrammerTest;

TEST_F(Timers, ReplyTimerExpiryWarnsOnlyWhenACommandWentUnanswered)
{
    w().onReplyTimeout(); // nothing pending
    EXPECT_TRUE(h.messages.messages.isEmpty());
    EXPECT_EQ(h.app().discoveryIfLoaded(), nullptr);

    w().setDefaultButton->click();
    w().onReplyTimeout();
    EXPECT_FALSE(h.app().replyTimer().isEnabled());
    expectOneMessage(kNoReply, "Attention!", MessageIcon::Critical);
    EXPECT_TRUE(state().commandPending); // the expiry resets no flag
    w().setDefaultButton->click();           // the next request the user makes is reported again
    w().onReplyTimeout();
    EXPECT_EQ(h.messages.messages.size(), 2);
}

TEST_F(Timers, ASilentDeviceDuringTheLoginPollIsReportedOnce)
{
    h.app().loginPollTimer().setInterval(1);
    for (int poll = 0; poll < 4; ++poll) {
        w().pollLogin();
        EXPECT_TRUE(h.app().replyTimer().isCounting());
        w().onReplyTimeout();
    }
    EXPECT_EQ(h.app().loginPollTimer().interval(), 1000);
    EXPECT_EQ(h.endpoint.frames(), QList<QByteArray>(4, Hex("3C236602AAAABC3E")));
    EXPECT_EQ(h.messages.texts(), QStringList{kNoReply});

    // Once the device answers again, a later silence is reported anew.
    h.endpoint.injectReply(CmdLoginStatus, Hex("FFFF0102"));
    EXPECT_FALSE(state().commandPending);
    w().pollLogin();
    w().onReplyTimeout();
    EXPECT_EQ(h.messages.texts(), (QStringList{kNoReply, kNoReply}));
}

TEST_F(Timers, WriteTimerRunsOnlyKnownWritesAndASecondClickReplacesTheFirst)
{
    for (int code : {0, 97, 100, 103, 107, 200}) {
        state().pendingWriteCode = quint8(code);
        h.app().deferredWriteTimer().setEnabled(true);
        w().sendDeferredWrite();
        EXPECT_FALSE(h.app().deferredWriteTimer().isEnabled()) << code;
    }
    EXPECT_TRUE(h.endpoint.sent.isEmpty());
    EXPECT_TRUE(h.messages.messages.isEmpty());

    w().setWriteButtonsEnabled(true);
    w().setDefaultButton->click();
    w().macAutomaticButton->click();
    w().sendDeferredWrite();
    EXPECT_EQ(h.endpoint.commands(), (QList<int>{103, 103, 112}));
}

TEST_F(Timers, TheWriteTimerReallyFires)
{
    w().setWriteButtonsEnabled(true);
    w().macAutomaticButton->click();
    IntervalTimer::setSpeedup(100);
    h.app().deferredWriteTimer().setInterval(1999); // restart with the shortened wait
    h.app().deferredWriteTimer().setInterval(2000);
    QSignalSpy fired(&h.app().deferredWriteTimer(), &IntervalTimer::timeout);
    const bool ok = fired.wait(2000);
    IntervalTimer::setSpeedup(1);
    ASSERT_TRUE(ok);
    EXPECT_EQ(h.endpoint.commands(), (QList<int>{103, 112}));
    EXPECT_FALSE(h.app().deferredWriteTimer().isEnabled());
}

} // namespace
} // namespace qvx::test
