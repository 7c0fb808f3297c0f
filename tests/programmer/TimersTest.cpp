#include "ProgrammerFixture.h"

#include "discovery/frm03Discovery.h"
#include "protocol/Commands.h"

#include <QSignalSpy>

namespace qvx::test {
namespace {

const QString kNoReply = QStringLiteral("The command has not been executed or not completely succeded");

using Timers = ProgrammerTest;

TEST_F(Timers, ReplyTimerExpiryWarnsWhenACommandGotNoAnswer)
{
    w().cmdCommand_c->click();
    ASSERT_TRUE(state().CommandPending);
    w().Timer1_Timer();
    EXPECT_FALSE(h.app().Timer1().isEnabled());
    ASSERT_EQ(h.messages.messages.size(), 1);
    EXPECT_EQ(h.messages.messages[0].text, kNoReply);
    EXPECT_EQ(h.messages.messages[0].title, QStringLiteral("Attention!"));
    EXPECT_EQ(h.messages.messages[0].icon, MessageIcon::Critical);
    // The expiry resets no flag.
    EXPECT_TRUE(state().CommandPending);

    // The next request the user makes is reported again when it gets no answer.
    w().cmdCommand_c->click();
    w().Timer1_Timer();
    EXPECT_EQ(h.messages.messages.size(), 2);
}

TEST_F(Timers, ASilentDeviceDuringTheLoginPollIsReportedOnce)
{
    for (int poll = 0; poll < 4; ++poll) {
        w().Timer2_Timer();
        w().Timer1_Timer();
    }
    EXPECT_EQ(h.messages.texts(), QStringList{kNoReply});
    EXPECT_EQ(h.endpoint.commands(), (QList<int>{102, 102, 102, 102}));

    // Once the device answers again, a later silence is reported anew.
    h.endpoint.injectReply(CmdLoginStatus, QByteArray::fromHex("FFFF0102"));
    EXPECT_FALSE(state().CommandPending);
    w().Timer2_Timer();
    w().Timer1_Timer();
    EXPECT_EQ(h.messages.texts(), (QStringList{kNoReply, kNoReply}));
}

TEST_F(Timers, ReplyTimerExpiryWithNothingPendingShowsNothing)
{
    w().Timer1_Timer();
    EXPECT_TRUE(h.messages.messages.isEmpty());
    EXPECT_FALSE(h.app().Timer1().isEnabled());
    EXPECT_EQ(h.app().discoveryIfLoaded(), nullptr);
}

TEST_F(Timers, ReplyTimerExpiryDuringADiscoveryReportsOnTheDiscoveryWindow)
{
    state().DiscoveryPending = true;
    state().CommandPending = true;
    w().Timer1_Timer();
    EXPECT_TRUE(h.messages.messages.isEmpty());
    EXPECT_NE(h.app().discoveryIfLoaded(), nullptr);
    EXPECT_FALSE(h.app().Timer1().isEnabled());
    EXPECT_TRUE(state().DiscoveryPending);
}

TEST_F(Timers, LoginPollAsksForTheStatusAndArmsTheReplyTimer)
{
    h.app().Timer2().setInterval(1);
    w().Timer2_Timer();
    EXPECT_EQ(h.app().Timer2().interval(), 1000);
    EXPECT_EQ(h.endpoint.frames(), QList<QByteArray>{QByteArray::fromHex("3C236602AAAABC3E")});
    EXPECT_TRUE(state().CommandPending);
    EXPECT_EQ(h.app().Timer1().interval(), 2000);
    EXPECT_TRUE(h.app().Timer1().isCounting());
}

TEST_F(Timers, RediscoveryOnlyWhileTheDiscoveryWindowIsShown)
{
    h.app().Timer3().setInterval(2000);
    h.app().Timer3().setEnabled(true);
    w().Timer3_Timer();
    EXPECT_FALSE(h.app().Timer3().isEnabled());
    EXPECT_TRUE(h.endpoint.sent.isEmpty());

    frm03Discovery *discovery = h.app().discovery(); // loaded, hidden
    h.app().Timer3().setEnabled(true);
    w().Timer3_Timer();
    EXPECT_TRUE(h.endpoint.sent.isEmpty());

    discovery->show();
    h.app().Timer3().setEnabled(true);
    w().Timer3_Timer();
    EXPECT_FALSE(h.app().Timer3().isEnabled());
    for (int code : h.endpoint.commands())
        EXPECT_EQ(code, CmdDiscovery);
}

TEST_F(Timers, WriteTimerWithAnUnknownCodeDoesNothing)
{
    for (int code : {0, 97, 100, 103, 107, 200}) {
        state().LastCommandCode = quint8(code);
        h.app().Timer4().setEnabled(true);
        w().Timer4_Timer();
        EXPECT_FALSE(h.app().Timer4().isEnabled()) << code;
    }
    EXPECT_TRUE(h.endpoint.sent.isEmpty());
    EXPECT_TRUE(h.messages.messages.isEmpty());
}

TEST_F(Timers, TheWriteTimerReallyFires)
{
    // Through the timer itself, waiting on its signal.
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

TEST_F(Timers, ASecondWriteClickReplacesTheFirst)
{
    w().SetWriteButtonsEnabled(true);
    w().cmdCommand_c->click();
    w().cmdResetMacAutomatic->click();
    w().Timer4_Timer();
    EXPECT_EQ(h.endpoint.commands(), (QList<int>{103, 103, 112}));
}

} // namespace
} // namespace qvx::test
