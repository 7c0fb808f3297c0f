// The search by address from the discovery window: only the addresses asked, no reply wait,
// the answers listed as found by address and kept from the programmer window.
#include "DiscoveryFixture.h"

#include "protocol/IntervalTimer.h"

#include <QDialog>

namespace qvx::test {
namespace {

struct AddressSearch : DiscoveryTest {
    // 10.9.0.2 answers every settings download with the sample settings.
    AddressSearch()
    {
        h.endpoint.onSend = [this](const FakeEndpoint::Sent &sent) {
            if (sent.host != QLatin1String("10.9.0.2") || quint8(sent.datagram[2]) != CmdDownloadSettings)
                return;
            ReceivedDatagram reply = h.endpoint.asReply(buildReplyFrame(CmdDownloadSettings, kSampleSettingsBytes));
            QMetaObject::invokeMethod(&h.endpoint, [this, reply] { h.endpoint.injectReceived({reply}); },
                                      Qt::QueuedConnection);
        };
    }
};

TEST_F(AddressSearch, ListsTheAnswersAsFoundByAddressAndLeavesTheProgrammerWindowAlone)
{
    ASSERT_FALSE(w.searchAddresses({QStringLiteral("10.9.0.300")}, 500)) << "a bad range sends nothing";
    ASSERT_TRUE(w.searchAddresses({QStringLiteral("10.9.0.1-10.9.0.3")}, 1000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.claimsSettingsReply(0x0A090002) && h.endpoint.sent.size() >= 5; }, 4000));
    // Three addresses, the two silent ones asked again; settings downloads and nothing else.
    QStringList hosts;
    for (const FakeEndpoint::Sent &sent : h.endpoint.sent) {
        EXPECT_EQ(sent.datagram, Hex("3C2361" "02" "AAAA" "B73E")) << "only settings downloads";
        hosts << sent.host;
    }
    EXPECT_EQ(hosts, (QStringList{"10.9.0.1", "10.9.0.2", "10.9.0.3", "10.9.0.1", "10.9.0.3"}));
    EXPECT_FALSE(h.app().replyTimer().isCounting()) << "a search arms no reply wait";
    EXPECT_FALSE(state().commandPending);

    ASSERT_EQ(w.deviceRows().deviceCount(), 1);
    EXPECT_TRUE(w.deviceRows().isFoundByAddress(0));
    EXPECT_EQ(w.deviceRows().cell(0, 0), "00-1A-2B-3C-4D-5E");
    EXPECT_EQ(w.deviceRows().cell(0, 12), "") << "the source filter is not in a settings download";
    EXPECT_EQ(w.deviceRows().index(0, 12).data(Qt::ToolTipRole).toString(), DeviceGridModel::foundByAddressText());
    EXPECT_EQ(status(), "Found 1 Device");
    // The programmer window was not filled by the search's answer.
    EXPECT_EQ(TextOf(*h.app().programmer(), QStringLiteral("txtIPAddress_0")), "");

    // Writes by MAC address are off for such a row; "Open in programmer" downloads it there.
    w.clickGridRow(1);
    EXPECT_FALSE(control<QAbstractButton>(QStringLiteral("cmdNetSet"))->isEnabled());
    EXPECT_FALSE(control<QAbstractButton>(QStringLiteral("cmdFactory"))->isEnabled());
    h.endpoint.clearSent();
    click(QStringLiteral("cmdOpenProgrammer"));
    ASSERT_FALSE(h.endpoint.sent.isEmpty());
    EXPECT_EQ(h.endpoint.sent.last().host, "10.9.0.2");
    EXPECT_EQ(RowText(*h.app().programmer(), QStringLiteral("txtExpIPAddress"), 4), "10 9 0 2");
    ASSERT_TRUE(QTest::qWaitFor([&] { return TextOf(*h.app().programmer(), QStringLiteral("txtIPAddress_0")) == "10"; }, 2000))
        << "a download asked by the programmer window fills it";
}

TEST_F(AddressSearch, RefreshRepeatsTheLastSearchAndCancelStopsIt)
{
    ASSERT_TRUE(w.searchAddresses({QStringLiteral("10.9.0.0/24")}, 100));
    QTest::qWait(30);
    w.openAddressSearch();
    click(QStringLiteral("cmdRefresh"));
    // The discovery went out, and the search began again from its first address.
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.deviceRows().deviceCount() == 1; }, 3000));
    int discoveries = 0;
    for (const FakeEndpoint::Sent &sent : h.endpoint.sent)
        discoveries += sent.host == QLatin1String("239.0.0.8");
    EXPECT_EQ(discoveries, 1);
    Control<QAbstractButton>(*w.findChild<QDialog *>(QStringLiteral("frmAddressSearch")), QStringLiteral("cmdCancelSearch"))
        ->click();
    EXPECT_FALSE(w.claimsSettingsReply(0x0A090002));
    const qsizetype sentThen = h.endpoint.sent.size();
    QTest::qWait(50);
    EXPECT_EQ(h.endpoint.sent.size(), sentThen);
}

} // namespace
} // namespace qvx::test
