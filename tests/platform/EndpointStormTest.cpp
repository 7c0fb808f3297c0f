// Storms of datagrams through the real endpoint on loopback: the receiving thread keeps up,
// and what it hands over is complete and in order of arrival.
#include "LoopbackSupport.h"
#include "RecordingSeams.h"

#include "app/AppContext.h"
#include "discovery/DeviceGridModel.h"
#include "discovery/DiscoveryWindow.h"
#include "protocol/Commands.h"
#include "protocol/Frame.h"
#include "protocol/Layouts.h"

#include <QLabel>
#include <QPushButton>

using namespace qvx;
using namespace qvx::test;

namespace {

// The real endpoint as the program uses it, kept off every network: what the program sends
// is only recorded here, and each bind takes a port the system picks.
class RecordingRealEndpoint : public SystemUdpEndpoint {
public:
    bool bind(quint16, int *errorNumber, QString *errorText) override
    {
        return SystemUdpEndpoint::bind(0, errorNumber, errorText);
    }
    SendResult send(const QByteArray &datagram, quint32, quint16) override
    {
        sent << datagram;
        return {};
    }
    SendResult sendThroughCard(const QByteArray &datagram, quint32, quint16, const NetworkCard &) override
    {
        sent << datagram;
        return {};
    }

    QList<QByteArray> sent;
};

// The discovery reply of device n: its own MAC and IP address (10.0.x.y).
QByteArray deviceReply(int n)
{
    DiscoveryRecord r;
    r.mac = {0x00, 0x04, 0xA3, 0x00, quint8(n >> 8), quint8(n)};
    r.ip = {10, 0, quint8(n >> 8), quint8(n)};
    r.mask = {255, 0, 0, 0};
    return buildReplyFrame(CmdDiscovery, encodeDiscoveryRecord(r));
}

} // namespace

// The endpoint with the buffer it asks for and, on Linux, as on an untuned system (a group
// of sockets).
class EndpointStormTest : public testing::TestWithParam<int> {};

INSTANTIATE_TEST_SUITE_P(Buffers, EndpointStormTest, test::endpointBuffers(), test::endpointBufferName);

// Device-sized datagrams from a sender thread while the endpoint's own thread is busy with
// other things: whatever the system did not drop arrives, in order, and the two add up.
TEST_P(EndpointStormTest, HandsOverEveryDatagramInOrderOfArrival)
{
    SystemUdpEndpoint endpoint;
    wantReceiveBuffer(endpoint, GetParam());
    ASSERT_TRUE(bindOrFail(endpoint));
    constexpr int kCount = 20000;
    std::thread sender([port = endpoint.localPort()] {
        LoopbackDevice device;
        for (int i = 0; i < kCount; ++i)
            device.writeDatagram(QByteArray::number(i).leftJustified(83), port); // device-sized
    });

    QList<ReceivedDatagram> got;
    const bool complete = QTest::qWaitFor(
        [&] {
            // A slow window thread: the receiving thread has to hold the storm meanwhile.
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            got += endpoint.readPendingDatagrams();
            return quint64(got.size()) + endpoint.droppedDatagrams() >= kCount;
        },
        20000);
    sender.join();
    got += endpoint.readPendingDatagrams();
    EXPECT_TRUE(complete);
    EXPECT_EQ(quint64(got.size()) + endpoint.droppedDatagrams(), quint64(kCount));
    for (qsizetype i = 1; i < got.size(); ++i)
        ASSERT_LT(got[i - 1].data.trimmed().toInt(), got[i].data.trimmed().toInt()) << "at " << i;
    // Most of the storm is listed, also in a thread sanitizer build, which runs the thread many
    // times slower (a group of untuned sockets there listed about half of the 20,000).
    EXPECT_GT(got.size(), kCount / 4);
}

// A discovery storm through the whole program: the real endpoint and its thread, the reply
// dispatcher and the discovery window. Every reply the system did not drop is listed, in
// order of arrival, and the window's count of lost replies matches the system's. On an
// untuned Linux and on Windows, 5,000 replies at once are all listed. (The window stays hidden: Qt draws
// with threads of its own, which the thread sanitizer cannot follow.)
TEST_P(EndpointStormTest, TheDiscoveryWindowListsAStormInOrderOfArrival)
{
    RecordingRealEndpoint endpoint;
    wantReceiveBuffer(endpoint, GetParam());
    test::RecordingMessageSink messages;
    test::RecordingProcessLauncher processes;
    auto ctx = std::make_unique<AppContext>(AppContext::Seams{&endpoint, &messages, &processes});
    ctx->start(false);
    DiscoveryWindow &window = *ctx->discovery();
    window.findChild<QPushButton *>(QStringLiteral("cmdRefresh"))->click();
    ASSERT_FALSE(endpoint.sent.isEmpty());
    ASSERT_TRUE(endpoint.isBound());
    const quint64 droppedBefore = endpoint.droppedDatagrams();

    constexpr int kDevices = 5000;
    std::thread devices([port = endpoint.localPort()] {
        LoopbackDevice device;
        for (int n = 0; n < kDevices; ++n)
            device.writeDatagram(deviceReply(n), port);
    });
    DeviceGridModel &grid = window.deviceRows();
    const auto accounted = [&] { return quint64(grid.deviceCount()) + endpoint.droppedDatagrams() - droppedBefore; };
    const bool complete = QTest::qWaitFor([&] { return accounted() >= kDevices; }, 30000);
    devices.join();
    QTest::qWait(50);
    EXPECT_TRUE(complete);
    EXPECT_EQ(accounted(), quint64(kDevices));

    const int rows = grid.deviceCount();
    ASSERT_GT(rows, 0);
    const QLabel *status = window.findChild<QLabel *>(QStringLiteral("lblMsg"));
    const QLabel *lostReplies = window.findChild<QLabel *>(QStringLiteral("lblLost"));
    EXPECT_EQ(status->text(), QStringLiteral("Found %1 Device").arg(rows));
    const quint64 lost = quint64(kDevices - rows);
    if (GetParam() != SystemUdpEndpoint::kWantedReceiveBuffer || !endpoint.countsDroppedDatagrams()) {
        EXPECT_EQ(lost, 0u) << "a group of untuned sockets, or Winsock's buffer, holds the storm";
    }
    if (endpoint.countsDroppedDatagrams()) {
        EXPECT_EQ(lostReplies->isHidden(), lost == 0);
        if (lost > 0) {
            EXPECT_TRUE(lostReplies->text().startsWith(QString::number(lost) + QLatin1Char(' ')));
        }
    }
    int previous = -1;
    for (int row = 0; row < rows; ++row) {
        const QStringList octets = grid.cell(row, 1).split(QLatin1Char('.'));
        ASSERT_EQ(octets.size(), 4) << "row " << row;
        const int n = octets[2].toInt() * 256 + octets[3].toInt();
        ASSERT_GT(n, previous) << "row " << row;
        previous = n;
    }
    ctx.reset();
}
