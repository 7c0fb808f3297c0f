// Fault injection on the simulator's replies.
#include "Faults.h"

#include "protocol/Frame.h"

#include <gtest/gtest.h>

using namespace qvx;
using namespace qvx::devsim;

namespace {

const QByteArray kFrame = BuildReplyFrame(97, QByteArray(33, '\x11'));

FaultSettings Only(int FaultSettings::*field, int percent)
{
    FaultSettings s;
    s.*field = percent;
    return s;
}

} // namespace

TEST(DevsimFaults, EachFaultDoesWhatItSays)
{
    {
        FaultInjector clean;
        const auto out = clean.apply(kFrame, true);
        ASSERT_EQ(out.size(), 1u);
        EXPECT_EQ(out[0].bytes, kFrame);
        EXPECT_TRUE(out[0].fault.isEmpty());
    }
    {
        FaultInjector drop(Only(&FaultSettings::dropPercent, 100));
        QString why;
        EXPECT_TRUE(drop.apply(kFrame, true, &why).empty());
        EXPECT_EQ(why, QStringLiteral("dropped"));
    }
    {
        FaultInjector corrupt(Only(&FaultSettings::corruptPercent, 100));
        for (int i = 0; i < 50; ++i) {
            const auto out = corrupt.apply(kFrame, true);
            ASSERT_EQ(out.size(), 1u);
            ASSERT_EQ(out[0].bytes.size(), kFrame.size());
            // Only the checksum differs, so the program must refuse it for that reason alone.
            EXPECT_NE(out[0].bytes[kFrame.size() - 2], kFrame[kFrame.size() - 2]);
            EXPECT_EQ(out[0].bytes.left(kFrame.size() - 2), kFrame.left(kFrame.size() - 2));
            EXPECT_FALSE(RecognizeReply(out[0].bytes));
        }
    }
    {
        FaultInjector truncate(Only(&FaultSettings::truncatePercent, 100));
        for (int i = 0; i < 50; ++i) {
            const auto out = truncate.apply(kFrame, true);
            ASSERT_EQ(out.size(), 1u);
            EXPECT_LT(out[0].bytes.size(), kFrame.size());
            EXPECT_GE(out[0].bytes.size(), 1);
            EXPECT_EQ(out[0].bytes, kFrame.left(out[0].bytes.size()));
            EXPECT_FALSE(RecognizeReply(out[0].bytes));
        }
    }
    {
        FaultInjector duplicate(Only(&FaultSettings::duplicatePercent, 100));
        const auto out = duplicate.apply(kFrame, true);
        ASSERT_EQ(out.size(), 2u);
        EXPECT_EQ(out[0].bytes, kFrame);
        EXPECT_EQ(out[1].bytes, kFrame);
        EXPECT_EQ(out[1].fault, QStringLiteral("duplicate"));
    }
}

TEST(DevsimFaults, DevicesOutsideTheFaultListAreSpared)
{
    FaultSettings all;
    all.dropPercent = 100;
    all.corruptPercent = 100;
    FaultInjector faults(all);
    const auto out = faults.apply(kFrame, false);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].bytes, kFrame);
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
                corrupt += !RecognizeReply(out[0].bytes).has_value();
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
