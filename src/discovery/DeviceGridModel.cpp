#include "discovery/DeviceGridModel.h"

#include "discovery/DeviceFlagPicture.h"
#include "protocol/DiscoveryColumns.h"

#include <QBrush>

namespace qvx {

namespace {

constexpr const char *kCardHeader = "Network card";
constexpr int kCardWidthTwips = 2400;

} // namespace

DeviceGridModel::DeviceGridModel(QObject *parent) : QAbstractTableModel(parent) {}

QString DeviceGridModel::headerText(int column)
{
    if (column == kCardColumn)
        return QString::fromLatin1(kCardHeader);
    if (column < 0 || column >= kSettingsColumns)
        return {};
    return QString::fromLatin1(kDiscoveryColumns[std::size_t(column)].header);
}

int DeviceGridModel::columnWidthTwips(int column)
{
    if (column == kCardColumn)
        return kCardWidthTwips;
    if (column < 0 || column >= kSettingsColumns)
        return 0;
    return kDiscoveryColumns[std::size_t(column)].widthTwips;
}

void DeviceGridModel::clear()
{
    beginResetModel();
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_rowsByAddress.clear();
    m_announced = 0;
    m_highlighted = -1;
    m_missing.clear();
    m_checkOfRow.clear();
    endResetModel();
    if (m_sheet)
        compare();
}

void DeviceGridModel::appendDevice(const QByteArray &recordData, const std::optional<LocalCard> &card)
{
    appendDevice(decodeDiscoveryRecord(recordData), int(recordData.size()), card);
}

void DeviceGridModel::appendDevice(const DiscoveryRecord &record, int recordLength,
                                   const std::optional<LocalCard> &card)
{
    Row entry;
    entry.record = record;
    entry.recordLength = std::min(recordLength, kDiscoveryRecordLength);
    entry.card = card;
    // The IP address cell is a dotted address whenever the reply carried its four bytes.
    const Octets4 &ip = entry.record.ip;
    if (entry.recordLength >= 10)
        entry.address = quint32(ip[0]) << 24 | quint32(ip[1]) << 16 | quint32(ip[2]) << 8 | ip[3];
    append(std::move(entry));
}

void DeviceGridModel::appendFoundByAddress(const SettingsBlock &settings, int length,
                                           const std::optional<LocalCard> &card, quint32 answeredFrom)
{
    // The record begins as the settings block does, up to the default timeout; the
    // firmware's place is not shown in the grid.
    constexpr int kSharedLength = SettingsOffset::TimeoutToDefault + 1;
    const QByteArray shared = encodeSettingsBlock(settings).left(std::min(length, kSharedLength));
    const DiscoveryRecord record = decodeDiscoveryRecord(shared);
    // A device the discovery listed already is not listed twice.
    for (const Row &row : m_rows)
        if (!row.foundByAddress && row.recordLength >= 6 && row.record.mac == record.mac)
            return;
    appendDevice(record, int(shared.size()), card);
    m_rows.back().foundByAddress = true;
    m_rows.back().answeredFrom = answeredFrom;
}

quint32 DeviceGridModel::answeredFrom(int deviceRow) const
{
    return isFoundByAddress(deviceRow) ? m_rows[std::size_t(deviceRow)].answeredFrom : 0;
}

bool DeviceGridModel::isFoundByAddress(int deviceRow) const
{
    return deviceRow >= 0 && deviceRow < deviceCount() && m_rows[std::size_t(deviceRow)].foundByAddress;
}

QString DeviceGridModel::foundByAddressText()
{
    return QStringLiteral("Found by address: a settings download does not carry the source filter and the "
                          "bridge, and a write by MAC address does not cross routers. Double-click the row to "
                          "work on the device in the programmer window.");
}

void DeviceGridModel::append(Row &&entry)
{
    // The views see m_announced rows only, so the row may be stored before it is announced.
    const int row = deviceCount();
    const quint32 address = entry.address;
    m_rows.push_back(std::move(entry));
    if (!m_batching)
        announceRows();

    // The devices already listed with this address are flagged now as well.
    if (address == 0)
        return;
    QList<int> &sharing = m_rowsByAddress[address];
    sharing.append(row);
    if (sharing.size() >= 2) {
        for (int other : std::as_const(sharing)) {
            // A row the views do not know of yet is read whole when it is announced.
            if (other == row || other >= m_announced)
                continue;
            const QModelIndex cellIndex = index(other, kAddressColumn);
            Q_EMIT dataChanged(cellIndex, cellIndex,
                               {Qt::DecorationRole, Qt::ToolTipRole, Qt::AccessibleTextRole,
                                Qt::AccessibleDescriptionRole});
        }
    }
}

void DeviceGridModel::announceRows()
{
    if (m_announced == deviceCount())
        return;
    beginInsertRows(QModelIndex(), m_announced, deviceCount() - 1);
    m_announced = deviceCount();
    endInsertRows();
    if (m_sheet)
        compare();
}

void DeviceGridModel::beginRowBatch()
{
    m_batching = true;
}

void DeviceGridModel::endRowBatch()
{
    m_batching = false;
    announceRows();
}

QString DeviceGridModel::cell(int deviceRow, int column) const
{
    if (deviceRow < 0 || deviceRow >= deviceCount() || column < 0 || column >= kColumns)
        return {};
    const Row &row = m_rows[std::size_t(deviceRow)];
    if (column == kCardColumn)
        return row.card ? row.card->label() : QString();
    return discoveryCellText(row.record, row.recordLength, column);
}

const DiscoveryRecord *DeviceGridModel::recordOf(int deviceRow) const
{
    if (deviceRow < 0 || deviceRow >= deviceCount())
        return nullptr;
    return &m_rows[std::size_t(deviceRow)].record;
}

int DeviceGridModel::recordLengthOf(int deviceRow) const
{
    if (deviceRow < 0 || deviceRow >= deviceCount())
        return 0;
    return m_rows[std::size_t(deviceRow)].recordLength;
}

std::optional<LocalCard> DeviceGridModel::cardOf(int deviceRow) const
{
    if (deviceRow < 0 || deviceRow >= deviceCount())
        return std::nullopt;
    return m_rows[std::size_t(deviceRow)].card;
}

std::optional<LocalCard> DeviceGridModel::firstAnsweringCard() const
{
    for (const Row &row : m_rows)
        if (row.card)
            return row.card;
    return std::nullopt;
}

DeviceFlags DeviceGridModel::flagsOf(int deviceRow) const
{
    if (deviceRow < 0 || deviceRow >= deviceCount())
        return {};
    const Row &row = m_rows[std::size_t(deviceRow)];
    DeviceFlags flags;
    // A cell that is no address at all says nothing about a subnet.
    if (row.address != 0) {
        // A device found by address was reached through the routes, wherever it sits.
        flags.outsideSubnet = !row.foundByAddress && isOutsideCardSubnet(row.card ? &*row.card : nullptr, row.address);
        flags.sharedBy = int(m_rowsByAddress.value(row.address).size());
    }
    return flags;
}

QString DeviceGridModel::flagsText(int deviceRow) const
{
    if (deviceRow < 0 || deviceRow >= deviceCount())
        return {};
    const Row &row = m_rows[std::size_t(deviceRow)];
    QString text = deviceFlagsText(flagsOf(deviceRow), row.card ? &*row.card : nullptr,
                                   discoveryCellText(row.record, row.recordLength, kAddressColumn));
    if (row.foundByAddress)
        text += (text.isEmpty() ? QString() : QStringLiteral("\n")) + foundByAddressText();
    return text;
}

void DeviceGridModel::highlightRow(int deviceRow, const QColor &background, const QColor &foreground)
{
    if (deviceRow < 0 || deviceRow >= deviceCount())
        deviceRow = -1;
    // A row is painted only once the views know of it.
    if (deviceRow >= m_announced)
        announceRows();
    const int previous = m_highlighted;
    m_highlighted = deviceRow;
    m_highlightBackground = background;
    m_highlightForeground = foreground;
    // Only the rows whose colours change are redrawn.
    if (previous >= 0 && previous != deviceRow)
        emitRowChanged(previous);
    if (deviceRow >= 0)
        emitRowChanged(deviceRow);
}

void DeviceGridModel::emitRowChanged(int deviceRow)
{
    Q_EMIT dataChanged(index(deviceRow, 0), index(deviceRow, kColumns - 1),
                       {Qt::BackgroundRole, Qt::ForegroundRole});
}

int DeviceGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_announced + int(m_missing.size());
}

void DeviceGridModel::setComparison(std::optional<SiteSheet> sheet)
{
    m_sheet = std::move(sheet);
    compare();
}

void DeviceGridModel::compare()
{
    // The missing units' rows go, and come again as the new comparison has them.
    if (!m_missing.isEmpty()) {
        beginRemoveRows(QModelIndex(), m_announced, m_announced + int(m_missing.size()) - 1);
        m_missing.clear();
        endRemoveRows();
    }
    m_checks.clear();
    m_checkOfRow.assign(m_rows.size(), -1);
    if (!m_sheet) {
        if (m_announced > 0)
            Q_EMIT dataChanged(index(0, 0), index(m_announced - 1, kColumns - 1));
        return;
    }
    QList<FieldValues> found;
    QHash<QString, int> rowOfMac;
    for (int r = 0; r < deviceCount(); ++r) {
        const Row &row = m_rows[std::size_t(r)];
        FieldValues values = discoveryFieldValues(encodeDiscoveryRecord(row.record).left(row.recordLength),
                                                  row.card ? row.card->label() : QString());
        // Fields a short reply did not carry are not compared.
        for (auto it = values.begin(); it != values.end();)
            it = it.value().isEmpty() ? values.erase(it) : std::next(it);
        rowOfMac.insert(values.value(kMacKey), r);
        found << values;
    }
    m_checks = checkSite(*m_sheet, found);
    QList<UnitCheck> missing;
    for (qsizetype i = 0; i < m_checks.size(); ++i) {
        const UnitCheck &check = m_checks[i];
        if (check.status == UnitCheck::Status::Missing || check.status == UnitCheck::Status::Replaced)
            missing << check;
        else if (const auto row = rowOfMac.constFind(check.mac); row != rowOfMac.cend())
            m_checkOfRow[std::size_t(*row)] = int(i);
    }
    if (!missing.isEmpty()) {
        beginInsertRows(QModelIndex(), m_announced, m_announced + int(missing.size()) - 1);
        m_missing = missing;
        endInsertRows();
    }
    if (m_announced > 0)
        Q_EMIT dataChanged(index(0, 0), index(m_announced - 1, kColumns - 1));
}

QVariant DeviceGridModel::comparisonData(int row, int column, int role) const
{
    if (row >= m_announced) {
        // A planned unit that did not answer: its plan, greyed.
        const UnitCheck &check = m_missing[row - m_announced];
        const PlannedUnit *unit = nullptr;
        for (const PlannedUnit &u : m_sheet->units)
            if (u.mac == check.mac)
                unit = &u;
        const QString why = check.status == UnitCheck::Status::Replaced
                                ? QStringLiteral("Planned in the sheet (line %1) and not answering: %2 holds its "
                                                 "address, a replaced unit?")
                                      .arg(check.line)
                                      .arg(check.replacedBy)
                                : QStringLiteral("Planned in the sheet (line %1) and not answering").arg(check.line);
        QString text;
        if (column == 0)
            text = check.mac;
        else if (column < kSettingsColumns && unit)
            text = unit->values.value(QString::fromLatin1(kDiscoveryColumns[std::size_t(column)].key));
        switch (role) {
        case Qt::DisplayRole:
            return text;
        case Qt::ForegroundRole:
            return QBrush(QColor(Qt::gray));
        case Qt::BackgroundRole:
            return QBrush(QColor(240, 240, 240));
        case Qt::ToolTipRole:
        case Qt::AccessibleDescriptionRole:
            return why;
        case Qt::AccessibleTextRole:
            return text.isEmpty() ? why : text + QStringLiteral(". ") + why;
        default:
            return {};
        }
    }
    const int at = row < int(m_checkOfRow.size()) ? m_checkOfRow[std::size_t(row)] : -1;
    if (at < 0)
        return {};
    const UnitCheck &check = m_checks[at];
    QString note;
    if (check.status == UnitCheck::Status::NotInSheet && column == 0)
        note = QStringLiteral("Not in the sheet");
    for (const FieldDifference &d : check.differences) {
        const DiscoveryColumn *c = discoveryColumn(d.key);
        if (c && int(c - kDiscoveryColumns.data()) == column)
            note = QStringLiteral("The sheet says %1").arg(d.planned.isEmpty() ? QStringLiteral("(empty)") : d.planned);
    }
    if (note.isEmpty())
        return {};
    switch (role) {
    case Qt::BackgroundRole:
        return QBrush(check.status == UnitCheck::Status::NotInSheet ? QColor(255, 240, 160) : QColor(255, 190, 130));
    case Qt::ForegroundRole:
        return QBrush(QColor(Qt::black));
    case Qt::ToolTipRole:
    case Qt::AccessibleDescriptionRole:
        return note;
    case Qt::AccessibleTextRole:
        return cell(row, column) + QStringLiteral(". ") + note;
    default:
        return {};
    }
}

int DeviceGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kColumns;
}

QVariant DeviceGridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= kColumns)
        return {};
    if (m_sheet) {
        const QVariant compared = comparisonData(index.row(), index.column(), role);
        if (compared.isValid() || index.row() >= m_announced)
            return compared;
    }
    const bool highlighted = index.row() == m_highlighted;
    if (index.column() == kAddressColumn) {
        // The flags, as a picture, in words for the tooltip and for screen readers.
        switch (role) {
        case Qt::DecorationRole: {
            const DeviceFlags flags = flagsOf(index.row());
            return flags.any() ? QVariant(deviceFlagPicture(flags)) : QVariant();
        }
        case Qt::ToolTipRole: {
            // Rich text, so that the tooltip wraps instead of running off the screen.
            const QString text = flagsText(index.row());
            if (text.isEmpty())
                return {};
            return QStringLiteral("<p>%1</p>")
                .arg(text.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("</p><p>")));
        }
        case Qt::AccessibleDescriptionRole: {
            const QString text = flagsText(index.row());
            return text.isEmpty() ? QVariant() : QVariant(text);
        }
        case Qt::AccessibleTextRole: {
            const QString text = flagsText(index.row());
            if (text.isEmpty())
                return {};
            return cell(index.row(), kAddressColumn) + QStringLiteral(". ") + text;
        }
        default:
            break;
        }
    }
    if (m_rows[std::size_t(index.row())].foundByAddress && index.column() != kAddressColumn &&
        (role == Qt::ToolTipRole || role == Qt::AccessibleDescriptionRole ||
         (role == Qt::AccessibleTextRole && cell(index.row(), index.column()).isEmpty())))
        return foundByAddressText();
    switch (role) {
    case Qt::DisplayRole:
        return cell(index.row(), index.column());
    case Qt::BackgroundRole:
        return QBrush(highlighted ? m_highlightBackground : QColor(Qt::white));
    case Qt::ForegroundRole:
        return QBrush(highlighted ? m_highlightForeground : QColor(Qt::black));
    default:
        return {};
    }
}

QVariant DeviceGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumns)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (role) {
    case Qt::DisplayRole:
        return headerText(section);
    case Qt::TextAlignmentRole:
        return int(Qt::AlignCenter);
    default:
        return {};
    }
}

Qt::ItemFlags DeviceGridModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

} // namespace qvx
