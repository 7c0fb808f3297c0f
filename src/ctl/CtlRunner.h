#pragma once
#include "ctl/CtlOutput.h"
#include "ctl/CtlSession.h"
#include "protocol/Commands.h"
#include "protocol/FieldKeys.h"
#include "protocol/FieldRules.h"
#include "protocol/Layouts.h"
#include "protocol/RecordFormats.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <optional>

namespace qvx {
class CardSource;
class UdpEndpoint;
struct CommissionSheet;
struct SiteSheet;
} // namespace qvx

// One run of qvxctl: the commands against the devices, after the command line has been checked.
// Each command prints its result and returns an exit code (CtlExit). The device commands are in
// CtlRunner.cpp, the commissioning from a sheet in CtlCommission.cpp.

namespace qvx::ctl {

// The options every command takes, as parsed.
struct Globals {
    RecordFormat format = RecordFormat::Table;
    int timeoutMs = kReplyTimeoutMs;
    int discoveryMs = kDiscoveryTimeoutMs;
    int writeDelayMs = kDeferredWriteMs;
    QString card;
    // The columns of a device list (discover, scan): those named by --fields, every one with
    // --all; otherwise the table shows kDeviceListColumns and JSON and CSV every field.
    QStringList fields;
    bool allFields = false;
};

// The columns an installer looks at first, for a device list shown as a table.
const QStringList &deviceListColumns();

class Runner {
public:
    Runner(const Globals &globals, UdpEndpoint &endpoint, CardSource &cards)
        : g(globals), session(endpoint, cards, globals.timeoutMs, globals.discoveryMs, globals.card)
    {
    }

    int discover();
    int get(const QString &ip);
    int set(const QString &ip, const QString &password, const QList<FieldChange> &changes);
    int setByMac(const Mac6 &mac, const QList<FieldChange> &changes);
    int factory(const Mac6 &mac);
    int password(const QString &ip, const QString &oldPassword, const QString &newPassword);
    int source(const QString &ip, const QString &password, const std::optional<QStringList> &list,
               const QList<FieldChange> &changes);
    int bridge(const QString &ip, const QString &password, const QList<FieldChange> &changes);
    int mac(const QString &ip, const QString &password, bool automatic, const QString &code);
    int commission(const CommissionSheet &sheet);
    // Asks every address for its settings (CtlScan.cpp).
    int scan(const QList<quint32> &addresses, int ratePerSecond, int retries);
    // Compares the site with its sheet (CtlScan.cpp).
    int check(const SiteSheet &sheet, const std::optional<QList<quint32>> &scanTargets);

private:
    // A block of settings that is read, changed, written with the write sequence and read
    // back: the source filter or the bridge settings.
    struct BlockCommand {
        quint8 downloadCode;
        quint8 uploadCode;
        QString name;     // in "no answer to the NAME download"
        QString mismatch; // after "did not verify: "
        FieldValues (*values)(const QByteArray &data);
        QStringList keys;
        // The block to write for the wanted values, or the dialog's refusal.
        std::function<Checked<QByteArray>(const FieldValues &)> encode;
    };
    // Shows the block (showOnly), or changes it with `change`, writes it and verifies it.
    int changeBlock(const QString &ip, const QString &password, const BlockCommand &block,
                    const std::function<void(FieldValues &)> &change, bool showOnly);

    void print(const QStringList &header, const QList<QStringList> &rows) { printOut(recordText(g.format, header, rows)); }
    // A device list, in the columns the options choose.
    void printDevices(const QStringList &header, const QList<QStringList> &rows);
    void printChanges(const QString &device, const FieldValues &before, const FieldValues &after, const QStringList &keys);
    bool login(const QString &ip, const QString &password);
    // Logout now, the write after the write delay: the windows' write sequence.
    std::optional<Frame> writeSequence(const QString &ip, quint8 cmd, const QByteArray &data);
    std::optional<FoundDevice> findByMac(const std::optional<QList<FoundDevice>> &found, const Mac6 &mac) const;
    QString noAnswer(const QString &device, const QString &what) const
    {
        return QStringLiteral("%1: no answer to %2 within %3").arg(device, what, secondsText(g.timeoutMs));
    }

    Globals g;
    CtlSession session;
};

// The source filter and the bridge destinations as named field values (source_N, bridge...),
// and back to the blocks by the dialogs' checks. The parsing uses them to check a change on its
// own before anything is sent.
FieldValues sourceValues(const QByteArray &data);
QStringList sourceKeys();
FieldValues bridgeValues(const QByteArray &data);
QStringList bridgeKeys();
std::array<std::array<qint16, 4>, 4> sourceMirrors(const FieldValues &values);
Checked<BridgeBlock> bridgeFromValues(const FieldValues &values);

} // namespace qvx::ctl
