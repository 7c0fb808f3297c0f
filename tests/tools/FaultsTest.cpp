// Fault injection on the simulator's replies. That devices outside the fault list are spared
// is seen in e2e_ctl, where one device of 51 answers with wrong checksums.
#include "Faults.h"

#include "protocol/Frame.h"

#include <gtest/gtest.h>

using namespace qvx;
using namespace qvx::devsim;

namespace {

const QByteArray kFrame = buildReplyFrame(97, QByteArray(33, '\x11'));

FaultSettings Only(int FaultSettings::*field, int percent)
{
    FaultSettings s;
    s.*field = percent;
    return s;
}

} // namespace

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
