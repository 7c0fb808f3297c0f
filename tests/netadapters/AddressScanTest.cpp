// The search by address: which addresses a range names, and the paced scan that asks them,
// asks the silent ones again and keeps the answers by source address.
#include "netadapters/AddressRange.h"
#include "netadapters/AddressScan.h"

#include <QElapsedTimer>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace qvx {
namespace {

constexpr quint32 ip(quint8 a, quint8 b, quint8 c, quint8 d)
{
    return quint32(a) << 24 | quint32(b) << 16 | quint32(c) << 8 | d;
}

struct RangeCase {
    QStringList ranges;
    qint64 count;      // -1: refused
    quint32 first = 0; // when accepted
    quint32 last = 0;
    qint64 limit = kScanAddressLimit;
};

class AddressRanges : public testing::TestWithParam<RangeCase> {};

TEST_P(AddressRanges, NameTheAddressesAsked)
{
    const RangeCase &c = GetParam();
    const Checked<QList<quint32>> addresses = scanAddresses(c.ranges, c.limit);
    if (c.count < 0) {
        EXPECT_FALSE(addresses.ok()) << c.ranges.join(' ').toStdString();
        EXPECT_FALSE(addresses.refusal.isEmpty());
        return;
    }
    ASSERT_TRUE(addresses.ok()) << addresses.refusal.toStdString();
    ASSERT_EQ(addresses.value->size(), c.count);
    EXPECT_EQ(addresses.value->first(), c.first);
    EXPECT_EQ(addresses.value->last(), c.last);
    EXPECT_TRUE(std::is_sorted(addresses.value->begin(), addresses.value->end()));
}

INSTANTIATE_TEST_SUITE_P(
    Table, AddressRanges,
    testing::Values(
        // A subnet without its network and broadcast addresses, from any address inside it.
        RangeCase{{"10.1.0.0/22"}, 1022, ip(10, 1, 0, 1), ip(10, 1, 3, 254)},
        RangeCase{{"10.1.2.77/22"}, 1022, ip(10, 1, 0, 1), ip(10, 1, 3, 254)},
        RangeCase{{"192.168.5.9/31"}, 2, ip(192, 168, 5, 8), ip(192, 168, 5, 9)},
        RangeCase{{"192.168.5.9/32"}, 1, ip(192, 168, 5, 9), ip(192, 168, 5, 9)},
        RangeCase{{"10.0.0.0/16"}, 65534, ip(10, 0, 0, 1), ip(10, 0, 255, 254)},
        // Explicit ranges, one address, overlaps asked once.
        RangeCase{{"10.1.0.250-10.1.1.5"}, 12, ip(10, 1, 0, 250), ip(10, 1, 1, 5)},
        RangeCase{{"10.1.0.7"}, 1, ip(10, 1, 0, 7), ip(10, 1, 0, 7)},
        RangeCase{{"10.1.0.10-10.1.0.20", "10.1.0.15-10.1.0.30", "10.1.0.1"}, 22, ip(10, 1, 0, 1), ip(10, 1, 0, 30)},
        // Refused: malformed, reversed, beyond the limit, none.
        RangeCase{{"10.1.0.0/33"}, -1}, RangeCase{{"10.1.0.0/"}, -1}, RangeCase{{"10.1.0/24"}, -1},
        RangeCase{{"10.1.0.300"}, -1}, RangeCase{{"10.1.0.9-10.1.0.1"}, -1}, RangeCase{{"host.example"}, -1},
        RangeCase{{"10.0.0.0/15"}, -1}, RangeCase{{}, -1},
        // The limit lifted.
        RangeCase{{"10.0.0.0/15"}, 131070, ip(10, 0, 0, 1), ip(10, 1, 255, 254), 0}));

// A scan against devices that answer at once from some addresses.
struct ScanRig {
    QList<quint32> sent;
    QSet<quint32> devices;
    AddressScan *scan = nullptr;
    AddressScan::Sender sender()
    {
        return [this](quint32 address) {
            sent << address;
            if (devices.contains(address))
                QMetaObject::invokeMethod(scan, [this, address] { scan->takeReply(address, {}, 33, std::nullopt); },
                                          Qt::QueuedConnection);
            return SendResult{};
        };
    }
};

TEST(AddressScan, PacesAsksSilentAddressesAgainAndKeepsEachAnswerOnce)
{
    ScanRig rig;
    rig.devices = {ip(10, 0, 0, 3), ip(10, 0, 0, 40)};
    AddressScan scan(rig.sender());
    rig.scan = &scan;
    QList<quint32> addresses;
    for (quint8 host = 1; host <= 50; ++host)
        addresses << ip(10, 0, 0, host);
    QSignalSpy finished(&scan, &AddressScan::finished);
    QElapsedTimer clock;
    clock.start();
    scan.start(addresses, 500, 1, 50);
    ASSERT_TRUE(finished.wait(3000));
    // 50 + 48 requests at 500 per second: about 200 ms, never much less.
    EXPECT_GE(clock.elapsed(), 150);
    EXPECT_EQ(rig.sent.size(), 98);
    EXPECT_EQ(rig.sent.count(ip(10, 0, 0, 3)), 1) << "an answered address is not asked again";
    EXPECT_EQ(rig.sent.count(ip(10, 0, 0, 7)), 2);
    ASSERT_EQ(scan.found().size(), 2);
    // A second answer from one device, or one from an address never asked, is not taken.
    EXPECT_TRUE(scan.found()[0].address == ip(10, 0, 0, 3) || scan.found()[1].address == ip(10, 0, 0, 3));
    EXPECT_FALSE(scan.claims(ip(10, 0, 0, 7))) << "a finished scan claims nothing";
}

TEST(AddressScan, ClaimsOnlyAddressesItAskedAndCountsFailedSends)
{
    int calls = 0;
    AddressScan scan([&calls](quint32) {
        ++calls;
        return SendResult{false, 101, QStringLiteral("Network is unreachable")};
    });
    QSignalSpy finished(&scan, &AddressScan::finished);
    scan.start({ip(10, 0, 0, 1), ip(10, 0, 0, 2)}, 1000, 0, 200);
    EXPECT_TRUE(scan.claims(ip(10, 0, 0, 1)));
    EXPECT_FALSE(scan.claims(ip(10, 0, 0, 9)));
    scan.takeReply(ip(10, 0, 0, 9), {}, 33, std::nullopt);
    EXPECT_TRUE(scan.found().isEmpty());
    scan.takeReply(ip(10, 0, 0, 1), {}, 33, std::nullopt);
    EXPECT_FALSE(scan.claims(ip(10, 0, 0, 1))) << "a download asked of an answered device is the window's";
    ASSERT_TRUE(finished.wait(2000));
    EXPECT_EQ(scan.failedSends(), 2);
    EXPECT_EQ(scan.firstSendError(), "Network is unreachable");
}

} // namespace
} // namespace qvx
