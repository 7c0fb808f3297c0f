// A row click on a grid of 20,000 devices: the mouse press and release on a visible row,
// the click handling (highlight, editor fill, destination) and the repaint that follows.
#include "Benches.h"

#include "BenchCommon.h"
#include "FakeEndpoint.h"
#include "ProgramRig.h"

#include <QApplication>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTableView>
#include <QTest>

#include <algorithm>

namespace qvx::bench {

int runClick(const QStringList &)
{
    constexpr int kRows = 20000;
    constexpr int kClicks = 200;

    test::FakeEndpoint endpoint;
    ProgramRig rig(endpoint);
    DiscoveryWindow &window = rig.discovery();
    waitExposed(&window);
    const std::vector<QByteArray> replies = deviceReplies(kRows);
    endpoint.injectDatagrams(QList<QByteArray>(replies.begin(), replies.end()));
    QCoreApplication::processEvents();
    DeviceGridModel &grid = window.deviceRows();
    if (grid.deviceCount() != kRows) {
        std::fprintf(stderr, "click: %d rows instead of %d\n", grid.deviceCount(), kRows);
        return 1;
    }

    auto *view = window.findChild<QTableView *>(QStringLiteral("grdDevice"));
    const auto *lastOctet = window.findChild<QLineEdit *>(QStringLiteral("txtIP_3"));
    QRandomGenerator random(12345);
    std::vector<double> times;
    int wrongRows = 0;
    for (int i = 0; i < kClicks; ++i) {
        // First, last and random rows; the scroll to the row is not timed.
        const int row = i == 0 ? 0 : i == 1 ? kRows - 1 : int(random.bounded(kRows));
        const QModelIndex index = grid.index(row, 1);
        view->scrollTo(index);
        QCoreApplication::processEvents();
        const QPoint at = view->visualRect(index).center();

        const auto start = Clock::now();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QCoreApplication::processEvents();
        times.push_back(msSince(start));

        if (grid.highlightedRow() != row || lastOctet->text() != QString::number(quint8(row)))
            ++wrongRows;
    }
    if (wrongRows)
        std::fprintf(stderr, "click: %d clicks did not select their row\n", wrongRows);

    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    const double p95 = times[times.size() * 95 / 100];
    const double worst = times.back();
    printFigure(QStringLiteral("row click on %1 rows (median / p95 / max)").arg(kRows),
                QStringLiteral("%1 / %2 / %3").arg(formatMs(median, 2), formatMs(p95, 2), formatMs(worst, 2)),
                QStringLiteral("p95 < 16 ms"), verdictText(p95 < 16.0 && wrongRows == 0),
                QStringLiteral("%1 mouse clicks on visible rows (first, last, random) of the shown discovery window, "
                               "offscreen; press, release, highlight, editor fill and repaint timed; %2 clicks missed")
                    .arg(kClicks)
                    .arg(wrongRows));
    return 0;
}

} // namespace qvx::bench
