#include "Samples.h"

#include "protocol/Frame.h"

#include <gtest/gtest.h>

using namespace qvx;
using qvx::test::Hex;

namespace {
// A reply frame with a correct checksum and LEN data bytes 0xFF, 0xFE, ...
QByteArray replyOfLength(int len)
{
    QByteArray data;
    for (int i = 0; i < len; ++i)
        data.append(char(0xFF - i));
    return buildReplyFrame(0x6B, data);
}
} // namespace

TEST(Frame, SimpleCommandVectorsAndTheChecksumModulo256)
{
    const struct { quint8 cmd; const char *frame; } cases[] = {
        {0x61, "3C236102AAAAB73E"}, // download settings
        {0x67, "3C236702AAAABD3E"}, // logout
        {0x6B, "3C236B02AAAAC13E"}, // discovery
    };
    for (const auto &c : cases) {
        EXPECT_EQ(buildRequestFrame(c.cmd, simpleCommandData()), Hex(c.frame)) << int(c.cmd);
        const auto frame = recognizeRequest(Hex(c.frame));
        ASSERT_TRUE(frame);
        EXPECT_EQ(frame->cmd, c.cmd);
        EXPECT_EQ(frame->data, Hex("AAAA"));
    }
    EXPECT_EQ(hexDump(Hex("3C236102AAAAB73E")), QStringLiteral("3C 23 61 02 AA AA B7 3E"));

    const QByteArray data = QByteArray(32, char(0x10)) + '\0'; // 0x6F + 0x21 + 32 × 0x10 = 0x290
    const QByteArray frame = buildRequestFrame(0x6F, data);
    ASSERT_EQ(frame.size(), 0x21 + 6);
    EXPECT_EQ(quint8(frame[3]), 0x21);
    EXPECT_EQ(quint8(frame[0x21 + 4]), 0x90);
    EXPECT_EQ(frameChecksum(Hex("FFFFFF")), 0xFD);
}

TEST(Frame, RecognizesEveryReplyLengthUpTo95)
{
    const auto def = recognizeReply(Hex("3C246302AAAAB93E")); // set default configuration
    ASSERT_TRUE(def);
    EXPECT_EQ(def->cmd, 0x63);
    EXPECT_EQ(def->data, Hex("AAAA"));
    for (int len = 0; len <= kMaxReplyDataLength; ++len) {
        const QByteArray frame = replyOfLength(len);
        const auto got = recognizeReply(frame);
        ASSERT_TRUE(got) << len;
        EXPECT_EQ(got->cmd, 0x6B);
        EXPECT_EQ(got->data, frame.mid(4, len));
        // Trailing bytes after the end marker do not matter, even far past index 100.
        EXPECT_TRUE(recognizeReply(frame + QByteArray(150, 'x'))) << len;
    }
}

TEST(Frame, DropsMalformedEchoedTruncatedAndOversizedDatagrams)
{
    const QByteArray good = Hex("3C246302AAAAB93E");
    const auto with = [&](int index, char value) { QByteArray d = good; d[index] = value; return d; };
    const struct { const char *what; QByteArray datagram; } cases[] = {
        {"markers only", "<$"},
        {"wrong start", with(0, '(')},
        {"echoed request", with(1, '#')},
        {"wrong checksum", with(6, char(0xB8))},
        {"changed data", with(5, char(0xAB))},
        {"wrong end", with(7, '<')},
        {"truncated by one", good.left(7)},
        {"LEN 255 past the datagram", with(3, char(255))},
        {"LEN 96", replyOfLength(96)},
        {"LEN 255", replyOfLength(255)},
        {"truncated LEN 95", replyOfLength(95).left(100)},
    };
    for (const auto &c : cases)
        EXPECT_FALSE(recognizeReply(c.datagram)) << c.what;
    // A reply is not a request.
    EXPECT_FALSE(recognizeRequest(good));
}
