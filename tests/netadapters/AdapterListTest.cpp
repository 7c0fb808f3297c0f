#include "FakeAdapterPlatform.h"
#include "netadapters/AdapterList.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace qvx;
using qvx::test::FakeAdapterPlatform;
using qvx::test::MakeRecord;

namespace {

const QByteArray kMac("\x00\x04\xA3\x01\x0A\xFF", 6);

AdapterInfoRecord Plain(const QByteArray &name)
{
    return MakeRecord(name, kMac, "10.0.0.1", "255.0.0.0", "0.0.0.0");
}

QStringList Names(const QList<AdapterRecord> &adapters)
{
    QStringList names;
    for (const AdapterRecord &adapter : adapters)
        names << adapter.name;
    return names;
}

QList<AdapterRecord> OldList()
{
    AdapterRecord old;
    old.name = QStringLiteral("old");
    return {old};
}

} // namespace

TEST(enumerateAdapters, EachFailingCallRaisesItsErrorAndLeavesTheListAlone)
{
    const struct { bool second; quint32 answer, threadError, number; const char *message; } cases[] = {
        {false, 0, 0, 0x8004B700, "GetAdaptersInfo Early Success: internal error"},
        {false, 50, 0, 0x8004B710, "GetAdaptersInfo is not supported by this OS"},
        {false, 87, 0, 0x8004B720, "GetAdaptersInfo Bad Parameters: internal error"},
        // The thread's last-error code is appended, not the answer of the call.
        {false, 5, 1234, 0x8004B770, "GetAdaptersInfo system error 1234"},
        {false, 31, 0, 0x8004B770, "GetAdaptersInfo system error 0"},
        {true, 50, 0, 0x8004B730, "GetAdaptersInfo Late Failure: is not supported by this OS"},
        {true, 87, 0, 0x8004B740, "GetAdaptersInfo Late Failure, Bad Parameters: internal error"},
        {true, 111, 0, 0x8004B750, "GetAdaptersInfo Late Failure: buffer overflow"},
        {true, 232, 77, 0x8004B760, "GetAdaptersInfo Late Failure: system error 77"},
        {true, 1, 4294967295u, 0x8004B760, "GetAdaptersInfo Late Failure: system error 4294967295"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.message);
        FakeAdapterPlatform platform;
        platform.chain = serializeAdapterChain({Plain("eth0"), Plain("eth1")});
        (c.second ? platform.secondAnswer : platform.firstAnswer) = c.answer;
        platform.threadError = c.threadError;
        QList<AdapterRecord> adapters = OldList();
        try {
            enumerateAdapters(adapters, platform);
            ADD_FAILURE() << "no error raised";
        } catch (const AdapterError &error) {
            EXPECT_EQ(error.number, c.number);
            EXPECT_EQ(error.source, QStringLiteral("GetAdaptersInfo"));
            EXPECT_EQ(error.message, QString::fromLatin1(c.message));
        }
        EXPECT_EQ(platform.calls.size(), c.second ? 2 : 1);
        EXPECT_EQ(Names(adapters), QStringList{"old"});
    }
}

TEST(enumerateAdapters, AsksForTheSizeThenFillsEveryFieldInChainOrder)
{
    FakeAdapterPlatform platform;
    platform.chain = serializeAdapterChain({
        MakeRecord("{4D36E972-0001}", kMac, "192.168.10.20", "255.255.255.0", "192.168.10.254", 11, 6,
                   "Scheda di rete \xC3\xA8"),
        MakeRecord("lo", QByteArray(6, '\0'), "127.0.0.1", "255.0.0.0", "0.0.0.0", 1, 24, "Loopback"),
    });
    QList<AdapterRecord> adapters = OldList();
    ASSERT_EQ(enumerateAdapters(adapters, platform), 2);
    ASSERT_EQ(platform.calls.size(), 2);
    EXPECT_FALSE(platform.calls[0].hadBuffer);
    EXPECT_EQ(platform.calls[0].size, 0u);
    EXPECT_EQ(platform.calls[1].bufferSize, platform.chain.size());
    EXPECT_EQ(platform.calls[1].size, quint32(platform.chain.size()));

    ASSERT_EQ(adapters.size(), 2);
    const AdapterRecord &a = adapters[0];
    EXPECT_EQ((QStringList{a.name, a.macAddress, a.ipAddress, a.ipMask, a.description, a.gateway}),
              (QStringList{"{4D36E972-0001}", "00-04-A3-01-0A-FF", "192.168.10.20", "255.255.255.0",
                           QString::fromUtf8("Scheda di rete \xC3\xA8"), "192.168.10.254"}));
    EXPECT_EQ(a.index, 11);
    EXPECT_EQ(a.type, 6);
    EXPECT_EQ(adapters[1].name, "lo");
    EXPECT_EQ(adapters[1].type, 24);
    EXPECT_EQ(adapters[1].macAddress, "00-00-00-00-00-00");

    // A later run with fewer adapters leaves exactly those; a host without any keeps the list.
    FakeAdapterPlatform fewer, none;
    fewer.chain = serializeAdapterChain({Plain("x")});
    ASSERT_EQ(enumerateAdapters(adapters, fewer), 1);
    EXPECT_EQ(Names(adapters), QStringList{"x"});
    EXPECT_EQ(enumerateAdapters(adapters, none), 0);
    EXPECT_EQ(none.calls.size(), 1);
    EXPECT_EQ(Names(adapters), QStringList{"x"});
}

TEST(enumerateAdapters, MacAddressFollowsTheReportedLengthButNeverPastItsBytes)
{
    AdapterInfoRecord none = Plain("none");
    none.addressLength = 0;
    AdapterInfoRecord huge = Plain("huge");
    std::memset(huge.address, 0xAB, sizeof huge.address);
    huge.addressLength = 0xFFFFFFFFu;
    FakeAdapterPlatform platform;
    platform.chain = serializeAdapterChain({none, huge});
    QList<AdapterRecord> adapters;
    ASSERT_EQ(enumerateAdapters(adapters, platform), 2);
    EXPECT_EQ(adapters[0].macAddress, QString());
    EXPECT_EQ(adapters[1].macAddress, "AB-AB-AB-AB-AB-AB-AB-AB");

    const struct { QByteArray bytes; int length; const char *expected; } cases[] = {
        {kMac, 0, ""}, {kMac, 1, "00"}, {kMac, 3, "00-04-A3"}, {kMac, 8, "00-04-A3-01-0A-FF"}, {kMac, -1, ""},
        {QByteArray("\x10\x20\x30\x40\x50\x60\x70\x80\x90", 9), 9, "10-20-30-40-50-60-70-80"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(formatMacAddress(c.bytes, c.length), QString::fromLatin1(c.expected)) << c.length;
    EXPECT_EQ(trimAtNul(QString::fromLatin1("eth0\0garbage\0", 13)), "eth0");
    EXPECT_EQ(trimAtNul(QString::fromLatin1("\0eth0", 5)), QString());
}

// Hostile buffers: the walk never leaves the buffer nor goes round in circles, and texts
// without their NUL stay within their fields.
TEST(enumerateAdapters, DamagedChainsEndTheWalkInsideTheBuffer)
{
    constexpr qsizetype R = kAdapterInfoRecordSize;
    const auto chain = [](qsizetype size, std::initializer_list<std::pair<qsizetype, quint32>> records) {
        QByteArray b(size, '\0');
        char name = 'a';
        for (const auto &[offset, next] : records) {
            AdapterInfoRecord record = Plain(QByteArray(1, name++));
            record.next = next;
            std::memcpy(b.data() + offset, &record, sizeof record);
        }
        return b;
    };
    const struct { const char *what; QByteArray buffer; QStringList names; } cases[] = {
        {"link past the end", chain(2 * R, {{0, 0x7FFFFFF0u}, {R, 0}}), {"a"}},
        {"link to a record cut off by the end", chain(2 * R, {{0, quint32(R + 8)}}), {"a"}},
        {"link to itself", chain(2 * R, {{0, quint32(R)}, {R, quint32(R)}}), {"a", "b"}},
        {"link back into an earlier record", chain(2 * R, {{0, quint32(R)}, {R, 4}}), {"a", "b"}},
        {"unaligned link", chain(2 * R + 3, {{0, quint32(R + 3)}, {R + 3, 0}}), {"a", "b"}},
        {"too short for one record", serializeAdapterChain({Plain("a")}).left(R - 1), {}},
    };
    for (const auto &c : cases) {
        FakeAdapterPlatform platform;
        platform.chain = c.buffer;
        QList<AdapterRecord> adapters;
        EXPECT_EQ(enumerateAdapters(adapters, platform), qint32(c.names.size())) << c.what;
        EXPECT_EQ(Names(adapters), c.names) << c.what;
    }

    AdapterInfoRecord record{};
    std::memset(record.name, 'N', sizeof record.name);
    std::memset(record.description, 'D', sizeof record.description);
    std::memset(record.ipAddress, '1', sizeof record.ipAddress);
    std::memset(record.ipMask, '2', sizeof record.ipMask);
    std::memset(record.gateway, '3', sizeof record.gateway);
    FakeAdapterPlatform platform;
    platform.chain = serializeAdapterChain({record});
    QList<AdapterRecord> adapters;
    ASSERT_EQ(enumerateAdapters(adapters, platform), 1);
    const AdapterRecord &a = adapters[0];
    EXPECT_EQ((QStringList{a.name, a.description, a.ipAddress, a.ipMask, a.gateway}),
              (QStringList{QString(260, u'N'), QString(132, u'D'), QString(16, u'1'), QString(16, u'2'),
                           QString(16, u'3')}));
}

TEST(answerAdaptersInfo, FollowsTheSizeNegotiation)
{
    const QByteArray chain = serializeAdapterChain({Plain("a"), Plain("b")});
    const auto needed = quint32(chain.size());
    const struct {
        const char *what;
        QByteArray chain;
        bool withBuffer;
        qsizetype bufferSize;
        bool withSize;
        quint32 size, answer, sizeAfter;
    } cases[] = {
        {"asks for the size", chain, false, 0, true, 0, 111, needed},
        {"no adapter", QByteArray(), false, 0, true, 0, 232, 0},
        {"no size", chain, true, chain.size(), false, 0, 87, 0},
        {"size without buffer", chain, false, 0, true, 10, 87, 10},
        {"size beyond the buffer", chain, true, 10, true, 11, 87, 11},
        {"buffer too small", chain, true, chain.size() - 1, true, needed - 1, 111, needed},
        {"exact buffer", chain, true, chain.size(), true, needed, 0, needed},
        {"larger buffer", chain, true, chain.size() + 5, true, needed + 5, 0, needed},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        QByteArray buffer(c.bufferSize, '\x55');
        quint32 size = c.size;
        EXPECT_EQ(answerAdaptersInfo(c.chain, c.withBuffer ? &buffer : nullptr, c.withSize ? &size : nullptr),
                  c.answer);
        EXPECT_EQ(size, c.sizeAfter);
        EXPECT_EQ(buffer.size(), c.bufferSize);
        EXPECT_EQ(buffer.left(chain.size()), c.answer == 0 ? chain : QByteArray(c.bufferSize, '\x55').left(chain.size()));
    }
}
