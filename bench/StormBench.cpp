// Discovery storm: N devices answering one discovery at once, on loopback.
//
// A thread sends N discovery replies back to back to the program's endpoint (a real
// QtUdpEndpoint on an ephemeral port that sends nothing, BenchCommon.h); the program's event
// loop reads them through the real reply dispatcher into the shown discovery window. The run
// ends when N rows are listed, or 1.5 s after the last row once the sender has finished, or
// after 60 s. Figures: replies lost (sent but never listed), and time from the first row
// to the last.
#include "Benches.h"

#include "BenchCommon.h"
#include "ProgramRig.h"

#include "services/ReplyDispatcher.h"

#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <thread>

namespace qvx::bench {

namespace {

struct StormRun {
    int rows = 0;
    int lost = 0;
    double firstToLastMs = 0;
    double sendMs = 0;
    long kernelDrops = 0;
};

StormRun stormOnce(ProgramRig &rig, LoopbackOnlyEndpoint &endpoint, const std::vector<QByteArray> &replies)
{
    DiscoveryWindow &window = rig.discovery();
    window.clearDeviceGrid();
    QCoreApplication::processEvents();
    DeviceGridModel &grid = window.deviceRows();
    const quint64 dropsBefore = endpoint.droppedDatagrams();

    const int wanted = int(replies.size());
    Clock::time_point first{}, last{};
    bool anyRow = false;
    const QMetaObject::Connection rowsAdded =
        QObject::connect(&grid, &QAbstractItemModel::rowsInserted, [&] {
            last = Clock::now();
            if (!anyRow) {
                anyRow = true;
                first = last;
            }
        });

    std::atomic<bool> senderDone{false};
    BlastResult blast;
    std::thread sender;
    QTimer::singleShot(0, [&] {
        sender = std::thread([&] {
            blast = blastToLoopback(endpoint.port(), replies);
            senderDone = true;
        });
    });

    const auto start = Clock::now();
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        const bool all = grid.deviceCount() >= wanted;
        const bool quiet = senderDone && msSince(anyRow ? last : start) > 1500;
        if (all || quiet || msSince(start) > 60000)
            loop.quit();
    });
    poll.start(10);
    loop.exec();
    poll.stop();
    if (sender.joinable())
        sender.join();
    QObject::disconnect(rowsAdded);

    StormRun run;
    run.rows = grid.deviceCount();
    run.lost = std::max(0, blast.sent - run.rows);
    run.firstToLastMs = anyRow ? msBetween(first, last) : 0;
    run.sendMs = blast.ms;
    run.kernelDrops = long(endpoint.droppedDatagrams() - dropsBefore);
    if (blast.failed)
        std::fprintf(stderr, "storm: %d datagrams could not be sent\n", blast.failed);
    const QString status = window.findChild<QLabel *>(QStringLiteral("lblMsg"))->text();
    const QString lostReplies = window.findChild<QLabel *>(QStringLiteral("lblLost"))->text();
    if (status != QStringLiteral("Found %1 Device").arg(run.rows))
        std::fprintf(stderr, "storm: status shows \"%s\" for %d rows\n", qPrintable(status), run.rows);
    if (run.kernelDrops > 0 && !lostReplies.startsWith(QString::number(run.kernelDrops) + QLatin1Char(' ')))
        std::fprintf(stderr, "storm: %ld replies dropped, the window says \"%s\"\n", run.kernelDrops,
                     qPrintable(lostReplies));
    return run;
}

} // namespace

int runStorm(const QStringList &args)
{
    const int devices = args.value(0).toInt();
    if (devices <= 0 || devices > 100000) {
        std::fprintf(stderr, "storm <devices 1..100000> [--default-buffer] [--reps n]\n");
        return 2;
    }
    const bool defaultBuffer = args.contains(QStringLiteral("--default-buffer"));
    const int repsAt = int(args.indexOf(QStringLiteral("--reps")));
    const int reps = repsAt >= 0 ? std::clamp(args.value(repsAt + 1).toInt(), 1, 20) : 3;

    LoopbackOnlyEndpoint endpoint(defaultBuffer);
    if (!endpoint.isBound())
        return 1;
    ProgramRig rig(endpoint);
    rig.discovery();
    if (!waitExposed(&rig.discovery()))
        std::fprintf(stderr, "storm: the discovery window was not exposed\n");
    const std::vector<QByteArray> replies = deviceReplies(devices);

    std::vector<StormRun> runs;
    for (int r = 0; r < reps; ++r)
        runs.push_back(stormOnce(rig, endpoint, replies));

    std::vector<StormRun> byTime = runs;
    std::sort(byTime.begin(), byTime.end(),
              [](const StormRun &a, const StormRun &b) { return a.firstToLastMs < b.firstToLastMs; });
    const StormRun &median = byTime[byTime.size() / 2];
    std::vector<int> lost;
    long worstDrops = 0;
    for (const StormRun &run : runs) {
        lost.push_back(run.lost);
        worstDrops = std::max(worstDrops, run.kernelDrops);
    }
    std::sort(lost.begin(), lost.end());
    const long peakKiB = procStatusKiB("VmHWM");

    const long rmemMax = sysctlValue("net/core/rmem_max");
    const QString buffer = defaultBuffer
                               ? QStringLiteral("system default receive buffer %1 B per socket, %2 sockets")
                                     .arg(endpoint.receiveBufferNow())
                                     .arg(endpoint.receiveSocketCount())
                               : QStringLiteral("endpoint asked %1 B, granted %2 B (rmem_max %3), %4 socket(s)")
                                     .arg(QtUdpEndpoint::kWantedReceiveBuffer)
                                     .arg(endpoint.grantedByEndpoint())
                                     .arg(rmemMax)
                                     .arg(endpoint.receiveSocketCount());
    const QString conditions =
        QStringLiteral("%1 replies of 83 B sent back to back on loopback in %2 ms (median); real endpoint with its "
                       "receiving thread, dispatcher and shown discovery window; %3; %4 runs")
            .arg(devices)
            .arg(median.sendMs, 0, 'f', 1)
            .arg(buffer)
            .arg(reps);
    const QString label = QStringLiteral("storm %1 devices%2").arg(devices).arg(defaultBuffer ? QStringLiteral(", default buffer") : QString());

    // The targets: no reply lost with 5,000 devices whatever the buffer, and 20,000 devices
    // with the raised buffer listed whole, quickly and within a memory budget.
    const bool lossTarget = devices == 5000 || (devices == 20000 && !defaultBuffer);
    const bool largeTarget = devices == 20000 && !defaultBuffer;
    const QString none = QStringLiteral("-");
    printFigure(label + QStringLiteral(": replies lost (median, range)"),
                lost.front() == lost.back()
                    ? QString::number(lost.front())
                    : QStringLiteral("%1 (%2..%3)").arg(lost[lost.size() / 2]).arg(lost.front()).arg(lost.back()),
                lossTarget ? QStringLiteral("0") : none, lossTarget ? verdictText(lost[lost.size() / 2] == 0) : none,
                conditions + QStringLiteral("; system drop counter up to %1").arg(worstDrops));
    printFigure(label + QStringLiteral(": first to last row"), formatMs(median.firstToLastMs),
                largeTarget ? QStringLiteral("<= 200 ms") : none,
                largeTarget ? verdictText(median.firstToLastMs <= 200) : none,
                QStringLiteral("median of %1 runs, %2 rows listed in that run").arg(reps).arg(median.rows));
    printFigure(
        label + QStringLiteral(": peak memory"), QStringLiteral("%1 MiB").arg(double(peakKiB) / 1024, 0, 'f', 1),
        largeTarget ? QStringLiteral("<= 80 MiB") : none, largeTarget ? verdictText(peakKiB <= 80 * 1024) : none,
        QStringLiteral("VmHWM of the bench process (program, shown window, the storm's %1 datagrams kept by the "
                       "sender) after %2 runs")
            .arg(devices)
            .arg(reps));
    return 0;
}

} // namespace qvx::bench
