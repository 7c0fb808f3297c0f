// Cost of dispatching one discovery reply against the receive rate of a bare socket loop.
//
// Ceiling: K datagrams queued on a plain UDP socket on loopback (nothing read meanwhile),
// then drained by a recv() loop: the time per datagram is what a receiver cannot beat.
// Program, two ways, with the discovery window shown offscreen:
// - handling only: K replies handed to the dispatcher in one arrival (test endpoint);
// - the real road: K replies queued on the real endpoint's socket, then the event loop
//   reads and handles them all.
// Each is the best of several runs on an emptied grid.
#include "Benches.h"

#include "BenchCommon.h"
#include "FakeEndpoint.h"
#include "ProgramRig.h"

#include "services/ReplyDispatcher.h"
#include "protocol/Frame.h"
#include "protocol/Layouts.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QLabel>
#include <QTableView>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qvx::bench {

namespace {

constexpr int kReplies = 4000;
constexpr int kRuns = 5;

struct BareResult {
    double usPerDatagram = 0;
    int received = 0;
    int buffer = 0;
};

// Queues the datagrams on a fresh socket bound to 127.0.0.1, then times draining it.
BareResult bareSocketDrain(const std::vector<QByteArray> &datagrams)
{
    BareResult result;
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0)
        return result;
    const int wanted = QtUdpEndpoint::kWantedReceiveBuffer;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &wanted, sizeof wanted);
    result.buffer = receiveBufferOf(fd);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof local;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&local), sizeof local) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&local), &length) != 0) {
        ::close(fd);
        return result;
    }
    blastToLoopback(ntohs(local.sin_port), datagrams);

    char buffer[2048];
    const auto start = Clock::now();
    for (std::size_t i = 0; i < datagrams.size(); ++i) {
        if (::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT) < 0)
            break;
        ++result.received;
    }
    const double ms = msSince(start);
    ::close(fd);
    result.usPerDatagram = result.received ? ms * 1000.0 / result.received : 0;
    return result;
}

double handlingOnly(const std::vector<QByteArray> &replies, int &rows)
{
    test::FakeEndpoint endpoint;
    ProgramRig rig(endpoint);
    DiscoveryWindow &window = rig.discovery();
    waitExposed(&window);
    const QList<QByteArray> arrival(replies.begin(), replies.end());
    double best = 1e300;
    for (int run = 0; run < kRuns; ++run) {
        window.clearDeviceGrid();
        QCoreApplication::processEvents();
        const auto start = Clock::now();
        endpoint.injectDatagrams(arrival);
        best = std::min(best, msSince(start));
        rows = window.deviceRows().deviceCount();
        QCoreApplication::processEvents();
    }
    return best * 1000.0 / double(replies.size());
}

double realRoad(const std::vector<QByteArray> &replies, int &rows, bool untunedSystem = false, int *sockets = nullptr)
{
    LoopbackOnlyEndpoint endpoint(untunedSystem);
    if (sockets)
        *sockets = endpoint.receiveSocketCount();
    ProgramRig rig(endpoint);
    DiscoveryWindow &window = rig.discovery();
    waitExposed(&window);
    double best = 1e300;
    for (int run = 0; run < kRuns; ++run) {
        window.clearDeviceGrid();
        QCoreApplication::processEvents();
        // Queued while the event loop is not running, so that nothing is read before the
        // clock starts.
        blastToLoopback(endpoint.port(), replies);
        const auto start = Clock::now();
        QElapsedTimer cap;
        cap.start();
        while (window.deviceRows().deviceCount() < int(replies.size()) && cap.elapsed() < 20000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            if (!endpoint.hasPendingDatagram() && window.deviceRows().deviceCount() < int(replies.size()) &&
                cap.elapsed() > 2000)
                break; // some were lost: the time below covers those that arrived
        }
        const double ms = msSince(start);
        rows = window.deviceRows().deviceCount();
        if (rows > 0)
            best = std::min(best, ms * 1000.0 / rows);
    }
    return best;
}

// Where the handling time goes: each step alone, per reply.
void breakdown(const std::vector<QByteArray> &replies)
{
    const auto perReply = [&](auto &&body) {
        double best = 1e300;
        for (int run = 0; run < kRuns; ++run) {
            const auto start = Clock::now();
            body();
            best = std::min(best, msSince(start));
        }
        return best * 1000.0 / double(replies.size());
    };
    std::vector<Frame> frames;
    const double recognise = perReply([&] {
        frames.clear();
        for (const QByteArray &d : replies)
            frames.push_back(*recognizeReply(d));
    });
    // What the grid keeps of a reply, and what a shown cell costs when the view asks.
    const double decode = perReply([&] {
        for (const Frame &f : frames)
            (void)decodeDiscoveryRecord(f.data);
    });
    const double rowTexts = perReply([&] {
        for (const Frame &f : frames)
            (void)discoveryRowTexts(f.data);
    });
    const double modelAlone = perReply([&] {
        DeviceGridModel model;
        for (const Frame &f : frames)
            model.appendDevice(f.data);
    });

    test::FakeEndpoint endpoint;
    ProgramRig rig(endpoint);
    DiscoveryWindow &window = rig.discovery();
    waitExposed(&window);
    const double modelShown = perReply([&] {
        window.clearDeviceGrid();
        for (const Frame &f : frames)
            window.deviceRows().appendDevice(f.data);
    });
    const auto reply = [](const Frame &f) {
        return QList<DeviceReply>{DeviceReply{decodeDiscoveryRecord(f.data), int(f.data.size()), {}}};
    };
    const double addRowShown = perReply([&] {
        window.clearDeviceGrid();
        for (const Frame &f : frames)
            window.addDevices(reply(f));
    });
    QList<DeviceReply> all;
    for (const Frame &f : frames)
        all << reply(f);
    const double addRowBatched = perReply([&] {
        window.clearDeviceGrid();
        window.addDevices(all);
    });
    window.hide();
    const double addRowHidden = perReply([&] {
        window.clearDeviceGrid();
        for (const Frame &f : frames)
            window.addDevices(reply(f));
    });
    std::printf("breakdown per reply: recognise %.2f us, decode the record %.2f us (all 28 texts up front would "
                "cost %.2f us), model append alone %.2f us, model append in the shown grid %.2f us; addDevices in "
                "the shown window one by one %.2f us, in one batch %.2f us, hidden %.2f us\n",
                recognise, decode, rowTexts, modelAlone, modelShown, addRowShown, addRowBatched, addRowHidden);
}

} // namespace

int runDispatch(const QStringList &args)
{
    if (args.contains(QStringLiteral("--breakdown"))) {
        breakdown(deviceReplies(kReplies));
        return 0;
    }
    const std::vector<QByteArray> replies = deviceReplies(kReplies);

    BareResult bare;
    for (int run = 0; run < kRuns; ++run) {
        const BareResult r = bareSocketDrain(replies);
        if (bare.received == 0 || (r.received == bare.received && r.usPerDatagram < bare.usPerDatagram) ||
            r.received > bare.received)
            bare = r;
    }
    int handledRows = 0, realRows = 0;
    const double handling = handlingOnly(replies, handledRows);
    const double real = realRoad(replies, realRows);
    int untunedRows = 0, untunedSockets = 0;
    const double untuned = realRoad(replies, untunedRows, true, &untunedSockets);

    const QString ceilingConditions =
        QStringLiteral("%1 of %2 datagrams of 83 B queued on a loopback socket (SO_RCVBUF %3 B), drained by recv(); "
                       "best of %4")
            .arg(bare.received)
            .arg(kReplies)
            .arg(bare.buffer)
            .arg(kRuns);
    printFigure(QStringLiteral("bare socket loop, per datagram"),
                formatUs(bare.usPerDatagram) + QStringLiteral(" (%1/s)").arg(qRound64(1e6 / bare.usPerDatagram)),
                QStringLiteral("-"), QStringLiteral("-"), ceilingConditions);

    // Each way of dispatching against the same target: within 3 times the bare loop.
    const double limit = 3 * bare.usPerDatagram;
    const auto dispatchFigure = [&](const QString &name, double us, const QString &conditions) {
        printFigure(name, formatUs(us) + QStringLiteral(" (%1x bare)").arg(us / bare.usPerDatagram, 0, 'f', 1),
                    QStringLiteral("<= 3x bare (%1)").arg(formatUs(limit)), verdictText(us <= limit), conditions);
    };
    dispatchFigure(
        QStringLiteral("dispatch one reply, handling only"), handling,
        QStringLiteral("%1 discovery replies in one arrival (test endpoint): recognition, decoding, one grid "
                       "row each, discovery window shown offscreen, grid growing 0..%1; %2 rows; best of %3")
            .arg(kReplies)
            .arg(handledRows)
            .arg(kRuns));
    dispatchFigure(QStringLiteral("dispatch one reply, real endpoint"), real,
                   QStringLiteral("%1 replies queued on the program's socket (its receiving thread takes them "
                                  "meanwhile), then handed over and handled by the event loop (paint included); %2 "
                                  "rows; best of %3")
                       .arg(kReplies)
                       .arg(realRows)
                       .arg(kRuns));
    dispatchFigure(QStringLiteral("dispatch one reply, real endpoint, untuned system"), untuned,
                   QStringLiteral("as above, each socket with the system's default buffer, so the port is a group of "
                                  "%1 sockets merged by arrival time; %2 rows; best of %3")
                       .arg(untunedSockets)
                       .arg(untunedRows)
                       .arg(kRuns));
    return 0;
}

} // namespace qvx::bench
