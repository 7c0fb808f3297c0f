#include "ctl/CtlRunner.h"

#include "ctl/CtlCommands.h"
#include "ctl/CtlTerminal.h"
#include "netadapters/AddressScan.h"
#include "protocol/SiteCheck.h"

#include <QHash>

#include <algorithm>
#include <cstdio>

// qvxctl scan and check: the search by address range, and a site compared with its sheet.

namespace qvx::ctl {

namespace {

// A one-line progress bar on standard error, redrawn in place; only on a terminal.
class ProgressLine {
public:
    ProgressLine() : m_shown(standardErrorIsTerminal()) {}
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
    printDevices(header, rows);
    return found.isEmpty() ? ExitDevice : ExitDone;
}

const QStringList &deviceListColumns()
{
    static const QStringList columns{kMacKey,
                                     QStringLiteral("ip"),
                                     QStringLiteral("mask"),
                                     QStringLiteral("gateway"),
                                     QStringLiteral("local_port"),
                                     QStringLiteral("remote_port"),
                                     QStringLiteral("baud"),
                                     kCardKey};
    return columns;
}

void Runner::printDevices(const QStringList &header, const QList<QStringList> &rows)
{
    QStringList columns = header;
    if (!g.fields.isEmpty())
        columns = g.fields;
    else if (!g.allFields && g.format == RecordFormat::Table)
        columns = deviceListColumns();
    QList<int> picked;
    QStringList shown;
    for (const QString &key : columns) {
        const int at = int(header.indexOf(key));
        if (at >= 0) {
            picked << at;
            shown << key;
        }
    }
    QList<QStringList> cut;
    for (const QStringList &row : rows) {
        QStringList cells;
        for (int at : picked)
            cells << row.value(at);
        cut << cells;
    }
    print(shown, cut);
}

namespace {

// The fields of a scan's answer, with the card that heard it.
FieldValues scannedValues(const AddressScan::Found &d)
{
    FieldValues values = settingsFieldValues(encodeSettingsBlock(d.settings).left(d.length));
    values[kCardKey] = d.card ? d.card->label() : QString();
    return values;
}

} // namespace

int Runner::check(const SiteSheet &sheet, const std::optional<QList<quint32>> &scanTargets)
{
    const std::optional<QList<FoundDevice>> discovered = session.discover();
    if (!discovered) {
        printError(QStringLiteral("the search could not run: no discovery request could be sent"));
        return ExitNoSearch;
    }
    // Every answering unit once, by MAC address, in order of arrival.
    QList<FieldValues> units;
    QHash<QString, qsizetype> unitOfMac;
    const auto add = [&](const FieldValues &values) {
        const QString mac = values.value(kMacKey);
        if (const auto at = unitOfMac.constFind(mac); at != unitOfMac.cend()) {
            // A second record of the same unit adds the fields the first lacked.
            for (auto it = values.cbegin(); it != values.cend(); ++it)
                if (!units[*at].contains(it.key()) || units[*at].value(it.key()).isEmpty())
                    units[*at].insert(it.key(), it.value());
            return;
        }
        unitOfMac.insert(mac, units.size());
        units << values;
    };
    for (const FoundDevice &d : *discovered)
        add(discoveryFieldValues(d.record, d.card));
    if (scanTargets) {
        AddressScan scan([this](quint32 address) { return session.sendScanRequest(address); });
        session.runScan(scan, *scanTargets, 500, 1);
        for (const AddressScan::Found &d : scan.found())
            add(scannedValues(d));
    }
    if (needsSettingsDownload(sheet)) {
        QSet<QString> planned;
        for (const PlannedUnit &unit : sheet.units)
            planned.insert(unit.mac);
        for (FieldValues &unit : units) {
            if (!planned.contains(unit.value(kMacKey)) || unit.contains(QStringLiteral("firmware")))
                continue;
            const QString ip = unit.value(QStringLiteral("ip"));
            const std::optional<Frame> reply = session.command(ip, CmdDownloadSettings);
            if (!reply) {
                printError(noAnswer(ip, QStringLiteral("the settings download")));
                continue;
            }
            const FieldValues settings = settingsFieldValues(reply->data);
            for (auto it = settings.cbegin(); it != settings.cend(); ++it)
                if (!unit.contains(it.key()) || unit.value(it.key()).isEmpty())
                    unit.insert(it.key(), it.value());
        }
    }

    const QList<UnitCheck> checks = checkSite(sheet, units);
    const QStringList header{kMacKey, QStringLiteral("ip"), QStringLiteral("line"), QStringLiteral("status"),
                             QStringLiteral("field"), QStringLiteral("sheet"), QStringLiteral("device")};
    QList<QStringList> rows;
    bool allMatch = true;
    for (const UnitCheck &c : checks) {
        const QString line = c.line > 0 ? QString::number(c.line) : QString();
        QString status = statusText(c.status);
        if (c.status == UnitCheck::Status::Replaced)
            status += QStringLiteral(" by ") + c.replacedBy;
        allMatch = allMatch && c.status == UnitCheck::Status::Matches;
        if (c.differences.isEmpty())
            rows << QStringList{c.mac, c.ip, line, status, QString(), QString(), QString()};
        for (const FieldDifference &d : c.differences)
            rows << QStringList{c.mac, c.ip, line, status, d.key, d.planned, d.found};
    }
    print(header, rows);
    return allMatch ? ExitDone : ExitDevice;
}

} // namespace qvx::ctl
