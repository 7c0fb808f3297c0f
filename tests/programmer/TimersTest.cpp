#include "ProgrammerFixture.h"

#include <QSignalSpy>

namespace qvx::test {
namespace {

const QString kNoReply = QStringLiteral("The command has not been executed or not completely succeded");

using Timers = ProgrammerTest;

TEST_F(Timers, ReplyTimerExpiryWarnsOnlyWhenACommandWentUnanswered)
{
    w().Timer1_Timer(); // nothing pending
    EXPECT_TRUE(h.messages.messages.isEmpty());
    EXPECT_EQ(h.app().discoveryIfLoaded(), nullptr);

    w().cmdCommand_c->click();
    w().Timer1_Timer();
    EXPECT_FALSE(h.app().Timer1().isEnabled());
    expectOneMessage(kNoReply, "Attention!", MessageIcon::Critical);
    EXPECT_TRUE(state().CommandPending); // the expiry resets no flag
    w().cmdCommand_c->click();           // the next request the user makes is reported again
    w().Timer1_Timer();
    EXPECT_EQ(h.messages.messages.size(), 2);
}

TEST_F(Timers, ASilentDeviceDuringTheLoginPollIsReportedOnce)
{
    h.app().Timer2().setInterval(1);
    for (int poll = 0; poll < 4; ++poll) {
        w().Timer2_Timer();
        EXPECT_TRUE(h.app().Timer1().isCounting());
        w().Timer1_Timer();
    }
    EXPECT_EQ(h.app().Timer2().interval(), 1000);
    EXPECT_EQ(h.endpoint.frames(), QList<QByteArray>(4, Hex("3C236602AAAABC3E")));
    EXPECT_EQ(h.messages.texts(), QStringList{kNoReply});

    // Once the device answers again, a later silence is reported anew.
    h.endpoint.injectReply(CmdLoginStatus, Hex("FFFF0102"));
    EXPECT_FALSE(state().CommandPending);
    w().Timer2_Timer();
    w().Timer1_Timer();
    EXPECT_EQ(h.messages.texts(), (QStringList{kNoReply, kNoReply}));
}

TEST_F(Timers, WriteTimerRunsOnlyKnownWritesAndASecondClickReplacesTheFirst)
{
    for (int code : {0, 97, 100, 103, 107, 200}) {
        state().LastCommandCode = quint8(code);
        h.app().Timer4().setEnabled(true);
        w().Timer4_Timer();
        EXPECT_FALSE(h.app().Timer4().isEnabled()) << code;
    }
    EXPECT_TRUE(h.endpoint.sent.isEmpty());
    EXPECT_TRUE(h.messages.messages.isEmpty());

    w().SetWriteButtonsEnabled(true);
    w().cmdCommand_c->click();
    w().cmdResetMacAutomatic->click();
    w().Timer4_Timer();
    EXPECT_EQ(h.endpoint.commands(), (QList<int>{103, 103, 112}));
}

TEST_F(Timers, TheWriteTimerReallyFires)
{
    w().SetWriteButtonsEnabled(true);
    w().cmdResetMacAutomatic->click();
    IntervalTimer::setSpeedup(100);
    h.app().Timer4().setInterval(1999); // restart with the shortened wait
    h.app().Timer4().setInterval(2000);
    QSignalSpy fired(&h.app().Timer4(), &IntervalTimer::timeout);
    const bool ok = fired.wait(2000);
    IntervalTimer::setSpeedup(1);
    ASSERT_TRUE(ok);
    EXPECT_EQ(h.endpoint.commands(), (QList<int>{103, 112}));
    EXPECT_FALSE(h.app().Timer4().isEnabled());
}

} // namespace
} // namespace qvx::test
