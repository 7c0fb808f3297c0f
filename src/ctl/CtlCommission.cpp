#include "ctl/CtlCommands.h"
#include "ctl/CtlRunner.h"
#include "ctl/CtlTerminal.h"
#include "protocol/CommissionSheet.h"

#include <QHash>

#include <algorithm>
#include <cstdio>

// Commissioning: every device of a sheet written by its MAC address, then verified by a new
// discovery. A part of the Runner (CtlRunner.h).

namespace qvx::ctl {

namespace {

class Progress {
public:
    explicit Progress(int total) : m_total(total), m_shown(standardErrorIsTerminal()) {}
    void step(int done, const QString &what)
    {
        if (!m_shown)
            return;
        constexpr int width = 30;
        const int filled = m_total > 0 ? done * width / m_total : width;
        std::fprintf(stderr, "\r[%s%s] %d/%d %-24s", QByteArray(filled, '#').constData(),
                     QByteArray(width - filled, '.').constData(), done, m_total, qPrintable(what));
        std::fflush(stderr);
    }
    void finish()
    {
        if (m_shown)
            std::fprintf(stderr, "\n");
    }

private:
    int m_total;
    bool m_shown;
};

} // namespace

int Runner::commission(const CommissionSheet &sheet)
{
    struct Outcome {
        QString device;
        QString changes;
        QString result;   // empty while the write waits for its verification
        FieldValues wanted;
        Mac6 macAfter{};
    };
    QList<Outcome> outcomes;
    const int total = int(sheet.rows.size());
    Progress progress(2 * total);
    progress.step(0, QStringLiteral("discovery"));
    const std::optional<QList<FoundDevice>> found = session.discover();

    // The address each row plans, and the addresses that answering devices keep: those not
    // in the sheet, and those whose row plans no new address. A row planning an address that
    // another device keeps is not written: the two would answer for each other.
    const auto plannedAddress = [](const SheetRow &row) {
        for (const FieldChange &change : row.changes)
            if (change.key == QLatin1String("ip"))
                return change.value;
        return QString();
    };
    QHash<QString, QString> keptBy; // address -> MAC of the device keeping it
    for (const FoundDevice &d : found.value_or(QList<FoundDevice>{})) {
        const FieldValues values = discoveryFieldValues(d.record);
        const Mac6 mac = decodeDiscoveryRecord(d.record).mac;
        const auto row = std::find_if(sheet.rows.cbegin(), sheet.rows.cend(),
                                      [&](const SheetRow &r) { return r.mac == mac; });
        if (row == sheet.rows.cend() || plannedAddress(*row).isEmpty())
            keptBy.insert(values.value(QStringLiteral("ip")), values.value(kMacKey));
    }

    int step = 0;
    bool anyWritten = false;
    for (const SheetRow &row : sheet.rows) {
        Outcome o;
        o.device = row.macText;
        progress.step(++step, row.macText);
        const std::optional<FoundDevice> device = findByMac(found, row.mac);
        if (!device) {
            o.result = QStringLiteral("did not answer the discovery");
            outcomes << o;
            continue;
        }
        if (const QString planned = plannedAddress(row); keptBy.contains(planned)) {
            o.result = QStringLiteral("not written: %1 is the address of %2, which keeps it").arg(planned, keptBy.value(planned));
            outcomes << o;
            continue;
        }
        const Checked<DiscoveryRecord> settings = deviceUploadWithChanges(device->record, row.changes);
        if (!settings.ok()) {
            o.result = settings.refusal;
            outcomes << o;
            continue;
        }
        const FieldValues was = discoveryFieldValues(device->record);
        o.wanted = discoveryFieldValues(encodeDiscoveryRecord(*settings.value));
        o.macAfter = settings.value->mac;
        QStringList what;
        for (const QString &key : changedKeys(was, o.wanted, discoveryFieldKeys()))
            what << QStringLiteral("%1 %2 -> %3").arg(key, was.value(key), o.wanted.value(key));
        o.changes = what.join(QStringLiteral("; "));
        if (what.isEmpty()) {
            o.result = QStringLiteral("ok (nothing to change)");
        } else if (!session.requestGroup(CmdUploadSelected, encodeDeviceUploadBlock({row.mac, *settings.value}),
                                         device->localCard)) {
            o.result = QStringLiteral("did not confirm the upload within %1").arg(secondsText(g.timeoutMs));
        } else {
            anyWritten = true;
        }
        outcomes << o;
    }

    if (anyWritten) {
        session.pause(g.writeDelayMs);
        const std::optional<QList<FoundDevice>> again = session.discover();
        for (Outcome &o : outcomes) {
            if (!o.result.isEmpty())
                continue;
            progress.step(++step, o.device);
            const std::optional<FoundDevice> device = findByMac(again, o.macAfter);
            if (!device) {
                o.result = QStringLiteral("upload confirmed, but the device did not answer the discovery after it");
                continue;
            }
            const FieldValues is = discoveryFieldValues(device->record);
            QStringList what;
            for (const QString &key : changedKeys(o.wanted, is, discoveryFieldKeys()))
                what << QStringLiteral("%1 reads %2, not %3").arg(key, is.value(key), o.wanted.value(key));
            o.result = what.isEmpty() ? QStringLiteral("ok") : QStringLiteral("did not verify: ") + what.join(QStringLiteral("; "));
        }
    }
    progress.step(2 * total, QStringLiteral("done"));
    progress.finish();

    QList<QStringList> rows;
    int failed = 0;
    for (const Outcome &o : outcomes) {
        rows << QStringList{o.device, o.changes, o.result};
        if (!o.result.startsWith(QLatin1String("ok"))) {
            ++failed;
            printError(QStringLiteral("%1: %2").arg(o.device, o.result));
        }
    }
    print({QStringLiteral("device"), QStringLiteral("changes"), QStringLiteral("result")}, rows);
    return failed == 0 ? ExitDone : ExitDevice;
}

} // namespace qvx::ctl
