#include "protocol/Frame.h"

#include <QString>

#include <gtest/gtest.h>

using namespace qvx;

namespace {
QByteArray hex(const char *text) { return QByteArray::fromHex(text); }

// A reply frame with a correct checksum and LEN data bytes 0x00, 0x01, ...
QByteArray replyOfLength(int len)
{
    QByteArray data;
    for (int i = 0; i < len; ++i)
        data.append(char(i));
    return BuildReplyFrame(0x6B, data);
}
} // namespace

TEST(Frame, SimpleCommandVectors)
{
    const struct { quint8 cmd; const char *frame; } cases[] = {
        {0x61, "3C236102AAAAB73E"}, // download settings
        {0x67, "3C236702AAAABD3E"}, // logout
        {0x6B, "3C236B02AAAAC13E"}, // discovery
    };
    for (const auto &c : cases) {
        EXPECT_EQ(BuildRequestFrame(c.cmd, SimpleCommandData()), hex(c.frame)) << int(c.cmd);
        const auto frame = RecognizeRequest(hex(c.frame));
        ASSERT_TRUE(frame);
        EXPECT_EQ(frame->cmd, c.cmd);
        EXPECT_EQ(frame->data, hex("AAAA"));
    }
    EXPECT_EQ(HexDump(hex("3C236102AAAAB73E")), QStringLiteral("3C 23 61 02 AA AA B7 3E"));
}

TEST(Frame, ChecksumWrapsModulo256)
{
    QByteArray data(32, char(0x10)); // 32 × 0x10 = 0x200
    data.append(char(0));            // LEN 0x21
    QByteArray body;
    body.append(char(0x6F)).append(char(0x21)).append(data);
    EXPECT_EQ(FrameChecksum(body), 0x90);
    const QByteArray frame = BuildRequestFrame(0x6F, data);
    ASSERT_EQ(frame.size(), 0x21 + 6);
    EXPECT_EQ(quint8(frame[3]), 0x21);
    EXPECT_EQ(quint8(frame[0x21 + 4]), 0x90);
    EXPECT_EQ(FrameChecksum(hex("FFFFFF")), 0xFD);
}

TEST(Frame, RecognizesGoodReplies)
{
    const auto def = RecognizeReply(hex("3C246302AAAAB93E")); // set default configuration
    ASSERT_TRUE(def);
    EXPECT_EQ(def->cmd, 0x63);
    EXPECT_EQ(def->data, hex("AAAA"));

    for (int len : {0, 1, 2, 28, 33, 77, 94, 95}) {
        const QByteArray frame = replyOfLength(len);
        const auto got = RecognizeReply(frame);
        ASSERT_TRUE(got) << len;
        EXPECT_EQ(got->cmd, 0x6B);
        EXPECT_EQ(got->data, frame.mid(4, len));
        // Extra trailing bytes after the end marker do not matter, even far past index 100.
        EXPECT_TRUE(RecognizeReply(frame + QByteArray(150, 'x'))) << len;
    }
}

TEST(Frame, DropsBadDatagrams)
{
    const QByteArray good = hex("3C246302AAAAB93E");
    QByteArray badStart = good;   badStart[0] = '(';
    QByteArray badEnd = good;     badEnd[7] = '<';
    QByteArray badSum = good;     badSum[6] = char(0xB8);
    QByteArray badData = good;    badData[5] = char(0xAB);
    QByteArray longLen = good;    longLen[3] = char(3);   // claims one byte more than present
    QByteArray hugeLen = good;    hugeLen[3] = char(255);
    const QByteArray oversized96 = replyOfLength(96);       // complete and well formed, LEN > 95
    const QByteArray oversized255 = replyOfLength(255);
    const struct { const char *what; QByteArray datagram; } cases[] = {
        {"empty", {}},
        {"markers only", "<$"},
        {"five bytes", good.left(5)},
        {"wrong start", badStart},
        {"echoed request", hex("3C236302AAAAB93E")},
        {"wrong checksum", badSum},
        {"changed data", badData},
        {"wrong end", badEnd},
        {"truncated by one", good.left(7)},
        {"truncated", good.left(6)},
        {"LEN past the datagram", longLen},
        {"LEN 255 past the datagram", hugeLen},
        {"LEN 96", oversized96},
        {"LEN 255", oversized255},
        {"truncated LEN 95", replyOfLength(95).left(100)},
    };
    for (const auto &c : cases)
        EXPECT_FALSE(RecognizeReply(c.datagram)) << c.what;
    // A request frame is not a reply and the other way round.
    EXPECT_FALSE(RecognizeRequest(good));
}

TEST(Frame, ReplyRoundTrip)
{
    for (int len = 0; len <= kMaxReplyDataLength; ++len) {
        QByteArray data;
        for (int i = 0; i < len; ++i)
            data.append(char(0xFF - i));
        const QByteArray frame = BuildReplyFrame(0x71, data);
        ASSERT_EQ(frame.size(), len + 6);
        const auto got = RecognizeReply(frame);
        ASSERT_TRUE(got) << len;
        EXPECT_EQ(got->cmd, 0x71);
        EXPECT_EQ(got->data, data);
    }
}
