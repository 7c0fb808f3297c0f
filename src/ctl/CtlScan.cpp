#include "ctl/CtlRunner.h"

#include "ctl/CtlCommands.h"
#include "netadapters/AddressScan.h"

#include <algorithm>
#include <cstdio>
#include <unistd.h>

// qvxctl scan: the search by address range.

namespace qvx::ctl {

namespace {

// A one-line progress bar on standard error, redrawn in place; only on a terminal.
class ProgressLine {
public:
    ProgressLine() : m_shown(::isatty(STDERR_FILENO) == 1) {}
    ~ProgressLine() { clear(); }

    void show(int asked, int toAsk, int round, int found)
    {
        if (!m_shown)
            return;
        constexpr int kWidth = 30;
        const int filled = toAsk > 0 ? int(qint64(asked) * kWidth / toAsk) : kWidth;
        const QString bar = QString(filled, QLatin1Char('#')) + QString(kWidth - filled, QLatin1Char('.'));
        const QString text = round > 1 ? QStringLiteral("again %1 [%2] %3/%4, %5 found")
                                       : QStringLiteral("scan [%2] %3/%4, %5 found");
        std::fprintf(stderr, "\r%s", qPrintable(text.arg(round > 1 ? QString::number(round - 1) : QString(), bar)
                                                    .arg(asked)
                                                    .arg(toAsk)
                                                    .arg(found)));
        std::fflush(stderr);
        m_drawn = true;
    }
    void clear()
    {
        if (m_drawn)
            std::fprintf(stderr, "\r\033[K");
        m_drawn = false;
    }

private:
    bool m_shown;
    bool m_drawn = false;
};

} // namespace

int Runner::scan(const QList<quint32> &addresses, int ratePerSecond, int retries)
{
    AddressScan scan([this](quint32 address) { return session.sendScanRequest(address); });
    ProgressLine line;
    QObject::connect(&scan, &AddressScan::progress, [&](int asked, int toAsk, int round) {
        line.show(asked, toAsk, round, int(scan.found().size()));
    });
    session.runScan(scan, addresses, ratePerSecond, retries);
    line.clear();

    if (scan.failedSends() > 0)
        printError(QStringLiteral("%1 of %2 requests could not be sent: %3")
                       .arg(scan.failedSends())
                       .arg(scan.requestsSent())
                       .arg(scan.firstSendError()));
    QList<AddressScan::Found> found = scan.found();
    std::sort(found.begin(), found.end(),
              [](const AddressScan::Found &a, const AddressScan::Found &b) { return a.address < b.address; });
    QStringList header = settingsFieldKeys();
    header << kCardKey;
    QList<QStringList> rows;
    for (const AddressScan::Found &d : found) {
        FieldValues values = settingsFieldValues(encodeSettingsBlock(d.settings).left(d.length));
        values[kCardKey] = d.card ? d.card->label() : QString();
        rows << valuesInOrder(values, header);
    }
    if (found.isEmpty())
        printError(QStringLiteral("no device answered at any of the %1 addresses").arg(addresses.size()));
    print(header, rows);
    return found.isEmpty() ? ExitDevice : ExitDone;
}

} // namespace qvx::ctl
