#include "FakeAdapterPlatform.h"
#include "netadapters/GetAdaptsInfo.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace qvx;
using qvx::test::FakeAdapterPlatform;
using qvx::test::MakeRecord;

namespace {

const QByteArray kMac("\x00\x04\xA3\x01\x0A\xFF", 6);

AdapterRecord OldRecord()
{
    AdapterRecord record;
    record.Name = QStringLiteral("old");
    record.IpAddress = QStringLiteral("10.9.9.9");
    return record;
}

AdapterInfoRecord Plain(const QByteArray &name)
{
    return MakeRecord(name, 1, 6, kMac, "10.0.0.1", "255.0.0.0", name, "0.0.0.0");
}

QStringList Names(const QList<AdapterRecord> &adapters)
{
    QStringList names;
    for (const AdapterRecord &adapter : adapters)
        names << adapter.Name;
    return names;
}

// Runs the enumeration expecting a failure; returns what was raised.
AdapterError ExpectFailure(FakeAdapterPlatform &platform, QList<AdapterRecord> &adapters)
{
    try {
        EnumerateAdapters(adapters, platform);
    } catch (const AdapterError &error) {
        return error;
    }
    ADD_FAILURE() << "no error raised";
    return {};
}

struct FailureCase {
    quint32 answer;
    quint32 threadError;
    quint32 number;
    const char *message;
};

} // namespace

TEST(EnumerateAdapters, FirstCallFailuresRaiseTheirErrorAndLeaveTheListAlone)
{
    const FailureCase cases[] = {
        {0, 0, 0x8004B700, "GetAdaptersInfo Early Success: internal error"},
        {50, 0, 0x8004B710, "GetAdaptersInfo is not supported by this OS"},
        {87, 0, 0x8004B720, "GetAdaptersInfo Bad Parameters: internal error"},
        // The thread's last-error code is appended, not the answer of the call.
        {5, 1234, 0x8004B770, "GetAdaptersInfo system error 1234"},
        {31, 0, 0x8004B770, "GetAdaptersInfo system error 0"},
    };
    for (const FailureCase &c : cases) {
        SCOPED_TRACE(c.answer);
        FakeAdapterPlatform platform;
        platform.chain = SerializeAdapterChain({Plain("eth0")});
        platform.firstAnswer = c.answer;
        platform.threadError = c.threadError;
        QList<AdapterRecord> adapters{OldRecord()};

        const AdapterError error = ExpectFailure(platform, adapters);
        EXPECT_EQ(error.number, c.number);
        EXPECT_EQ(error.source, QStringLiteral("GetAdaptersInfo"));
        EXPECT_EQ(error.message, QString::fromLatin1(c.message));
        EXPECT_EQ(platform.calls.size(), 1);
        EXPECT_EQ(Names(adapters), QStringList{QStringLiteral("old")});
    }
}

TEST(EnumerateAdapters, SecondCallFailuresRaiseTheirErrorAndLeaveTheListAlone)
{
    const FailureCase cases[] = {
        {50, 0, 0x8004B730, "GetAdaptersInfo Late Failure: is not supported by this OS"},
        {87, 0, 0x8004B740, "GetAdaptersInfo Late Failure, Bad Parameters: internal error"},
        {111, 0, 0x8004B750, "GetAdaptersInfo Late Failure: buffer overflow"},
        {232, 77, 0x8004B760, "GetAdaptersInfo Late Failure: system error 77"},
        {1, 4294967295u, 0x8004B760, "GetAdaptersInfo Late Failure: system error 4294967295"},
    };
    for (const FailureCase &c : cases) {
        SCOPED_TRACE(c.answer);
        FakeAdapterPlatform platform;
        platform.chain = SerializeAdapterChain({Plain("eth0"), Plain("eth1")});
        platform.secondAnswer = c.answer;
        platform.threadError = c.threadError;
        QList<AdapterRecord> adapters{OldRecord(), OldRecord()};

        const AdapterError error = ExpectFailure(platform, adapters);
        EXPECT_EQ(error.number, c.number);
        EXPECT_EQ(error.source, QStringLiteral("GetAdaptersInfo"));
        EXPECT_EQ(error.message, QString::fromLatin1(c.message));
        EXPECT_EQ(platform.calls.size(), 2);
        EXPECT_EQ(Names(adapters), (QStringList{QStringLiteral("old"), QStringLiteral("old")}));
    }
}

TEST(EnumerateAdapters, HostWithoutAdaptersReturnsZeroAndKeepsTheOldList)
{
    FakeAdapterPlatform platform;  // empty chain: the first call answers "no data"
    QList<AdapterRecord> adapters{OldRecord()};

    EXPECT_EQ(EnumerateAdapters(adapters, platform), 0);
    EXPECT_EQ(platform.calls.size(), 1);
    EXPECT_EQ(Names(adapters), QStringList{QStringLiteral("old")});
}

TEST(EnumerateAdapters, AsksForTheSizeThenPassesABufferOfExactlyThatSize)
{
    FakeAdapterPlatform platform;
    platform.chain = SerializeAdapterChain({Plain("eth0"), Plain("eth1"), Plain("eth2")});
    QList<AdapterRecord> adapters;

    ASSERT_EQ(EnumerateAdapters(adapters, platform), 3);
    ASSERT_EQ(platform.calls.size(), 2);
    EXPECT_FALSE(platform.calls[0].hadBuffer);
    EXPECT_EQ(platform.calls[0].size, 0u);
    EXPECT_TRUE(platform.calls[1].hadBuffer);
    EXPECT_EQ(platform.calls[1].bufferSize, platform.chain.size());
    EXPECT_EQ(platform.calls[1].size, quint32(platform.chain.size()));
}

TEST(EnumerateAdapters, FillsEveryFieldInChainOrder)
{
    FakeAdapterPlatform platform;
    platform.chain = SerializeAdapterChain({
        MakeRecord("{4D36E972-0001}", 11, 6, kMac, "192.168.10.20", "255.255.255.0",
                   "Scheda di rete \xC3\xA8", "192.168.10.254"),
        MakeRecord("lo", 1, 24, QByteArray(6, '\0'), "127.0.0.1", "255.0.0.0", "Loopback",
                   "0.0.0.0"),
    });
    QList<AdapterRecord> adapters;

    ASSERT_EQ(EnumerateAdapters(adapters, platform), 2);
    ASSERT_EQ(adapters.size(), 2);
    const AdapterRecord &first = adapters[0];
    EXPECT_EQ(first.Name, QStringLiteral("{4D36E972-0001}"));
    EXPECT_EQ(first.Index, 11);
    EXPECT_EQ(first.Type, 6);
    EXPECT_EQ(first.MacAddress, QStringLiteral("00-04-A3-01-0A-FF"));
    EXPECT_EQ(first.IpAddress, QStringLiteral("192.168.10.20"));
    EXPECT_EQ(first.IpMask, QStringLiteral("255.255.255.0"));
    EXPECT_EQ(first.Description, QString::fromUtf8("Scheda di rete \xC3\xA8"));
    EXPECT_EQ(first.Gateway, QStringLiteral("192.168.10.254"));
    EXPECT_EQ(adapters[1].Name, QStringLiteral("lo"));
    EXPECT_EQ(adapters[1].Type, 24);
    EXPECT_EQ(adapters[1].MacAddress, QStringLiteral("00-00-00-00-00-00"));
    EXPECT_EQ(adapters[1].IpMask, QStringLiteral("255.0.0.0"));
}

TEST(EnumerateAdapters, ARunWithFewerAdaptersLeavesExactlyThoseInTheList)
{
    FakeAdapterPlatform platform;
    QList<AdapterRecord> adapters;
    platform.chain = SerializeAdapterChain({Plain("a"), Plain("b"), Plain("c")});
    ASSERT_EQ(EnumerateAdapters(adapters, platform), 3);

    platform.calls.clear();
    platform.chain = SerializeAdapterChain({Plain("x"), Plain("y")});
    ASSERT_EQ(EnumerateAdapters(adapters, platform), 2);
    EXPECT_EQ(Names(adapters), (QStringList{QStringLiteral("x"), QStringLiteral("y")}));
}

TEST(EnumerateAdapters, MacAddressFollowsTheReportedLength)
{
    AdapterInfoRecord none = Plain("none");
    none.addressLength = 0;
    AdapterInfoRecord huge = Plain("huge");
    std::memset(huge.address, 0xAB, sizeof huge.address);
    huge.addressLength = 0xFFFFFFFFu;  // never read past the eight address bytes

    FakeAdapterPlatform platform;
    platform.chain = SerializeAdapterChain({none, huge});
    QList<AdapterRecord> adapters;
    ASSERT_EQ(EnumerateAdapters(adapters, platform), 2);
    EXPECT_EQ(adapters[0].MacAddress, QString());
    EXPECT_EQ(adapters[1].MacAddress, QStringLiteral("AB-AB-AB-AB-AB-AB-AB-AB"));
}

TEST(FormatMacAddress, FormatsTheFirstLengthBytes)
{
    const struct {
        QByteArray bytes;
        int length;
        const char *expected;
    } cases[] = {
        {kMac, 6, "00-04-A3-01-0A-FF"},
        {kMac, 0, ""},
        {kMac, 1, "00"},
        {kMac, 3, "00-04-A3"},
        {QByteArray("\x10\x20\x30\x40\x50\x60\x70\x80\x90", 9), 9, "10-20-30-40-50-60-70-80"},
        {kMac, 8, "00-04-A3-01-0A-FF"},  // never beyond the bytes given
        {kMac, -1, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.length);
        EXPECT_EQ(FormatMacAddress(c.bytes, c.length), QString::fromLatin1(c.expected));
    }
    EXPECT_EQ(FormatMacAddress(kMac, 6).size(), 17);
}

TEST(TrimAtNul, KeepsTheTextBeforeTheFirstNul)
{
    const struct {
        QString text;
        QString expected;
    } cases[] = {
        {QString::fromLatin1("eth0\0garbage\0", 13), QStringLiteral("eth0")},
        {QString::fromLatin1("\0eth0", 5), QString()},
        {QStringLiteral("no terminator"), QStringLiteral("no terminator")},
        {QString(), QString()},
    };
    for (const auto &c : cases)
        EXPECT_EQ(TrimAtNul(c.text), c.expected) << c.text.toStdString();
}

namespace {

void PutRecord(QByteArray &buffer, qsizetype offset, AdapterInfoRecord record, quint32 next)
{
    record.next = next;
    std::memcpy(buffer.data() + offset, &record, sizeof record);
}

} // namespace

TEST(EnumerateAdapters, DamagedChainsEndTheWalkInsideTheBuffer)
{
    constexpr qsizetype R = kAdapterInfoRecordSize;
    const struct {
        const char *what;
        QByteArray buffer;
        QStringList names;
    } cases[] = {
        {"link past the end",
         [] { QByteArray b(2 * R, '\0'); PutRecord(b, 0, Plain("a"), 0x7FFFFFF0u);
              PutRecord(b, R, Plain("b"), 0); return b; }(),
         {"a"}},
        {"link to a record cut off by the end",
         [] { QByteArray b(2 * R, '\0'); PutRecord(b, 0, Plain("a"), quint32(R + 8));
              return b; }(),
         {"a"}},
        {"link to itself",
         [] { QByteArray b(2 * R, '\0'); PutRecord(b, 0, Plain("a"), quint32(R));
              PutRecord(b, R, Plain("b"), quint32(R)); return b; }(),
         {"a", "b"}},
        {"link back into an earlier record",
         [] { QByteArray b(2 * R, '\0'); PutRecord(b, 0, Plain("a"), quint32(R));
              PutRecord(b, R, Plain("b"), 4); return b; }(),
         {"a", "b"}},
        {"unaligned link",
         [] { QByteArray b(2 * R + 3, '\0'); PutRecord(b, 0, Plain("a"), quint32(R + 3));
              PutRecord(b, R + 3, Plain("b"), 0); return b; }(),
         {"a", "b"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        FakeAdapterPlatform platform;
        platform.chain = c.buffer;
        QList<AdapterRecord> adapters;
        EXPECT_EQ(EnumerateAdapters(adapters, platform), qint32(c.names.size()));
        EXPECT_EQ(Names(adapters), c.names);
    }
}

TEST(EnumerateAdapters, ABufferTooShortForOneRecordYieldsNothing)
{
    FakeAdapterPlatform platform;
    platform.chain = SerializeAdapterChain({Plain("a")}).left(kAdapterInfoRecordSize - 1);
    QList<AdapterRecord> adapters{OldRecord()};

    EXPECT_EQ(EnumerateAdapters(adapters, platform), 0);
    EXPECT_EQ(Names(adapters), QStringList{QStringLiteral("old")});
}

TEST(EnumerateAdapters, TextsWithoutTerminatorStayWithinTheirFields)
{
    AdapterInfoRecord record{};
    std::memset(record.name, 'N', sizeof record.name);
    std::memset(record.description, 'D', sizeof record.description);
    std::memset(record.ipAddress, '1', sizeof record.ipAddress);
    std::memset(record.ipMask, '2', sizeof record.ipMask);
    std::memset(record.gateway, '3', sizeof record.gateway);
    FakeAdapterPlatform platform;
    platform.chain = SerializeAdapterChain({record});
    QList<AdapterRecord> adapters;

    ASSERT_EQ(EnumerateAdapters(adapters, platform), 1);
    EXPECT_EQ(adapters[0].Name, QString(260, u'N'));
    EXPECT_EQ(adapters[0].Description, QString(132, u'D'));
    EXPECT_EQ(adapters[0].IpAddress, QString(16, u'1'));
    EXPECT_EQ(adapters[0].IpMask, QString(16, u'2'));
    EXPECT_EQ(adapters[0].Gateway, QString(16, u'3'));
}

TEST(AnswerAdaptersInfo, FollowsTheSizeNegotiation)
{
    const QByteArray chain = SerializeAdapterChain({Plain("a"), Plain("b")});
    const auto needed = quint32(chain.size());
    const struct {
        const char *what;
        QByteArray chain;
        bool withBuffer;
        qsizetype bufferSize;
        bool withSize;
        quint32 size;
        quint32 answer;
        quint32 sizeAfter;
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
        EXPECT_EQ(AnswerAdaptersInfo(c.chain, c.withBuffer ? &buffer : nullptr,
                                     c.withSize ? &size : nullptr),
                  c.answer);
        if (c.withSize) {
            EXPECT_EQ(size, c.sizeAfter);
        }
        EXPECT_EQ(buffer.size(), c.bufferSize);
        if (c.answer == 0) {
            EXPECT_EQ(buffer.left(chain.size()), chain);
        } else {
            EXPECT_EQ(buffer, QByteArray(c.bufferSize, '\x55'));
        }
    }
}
