#include "discovery/DeviceGridModel.h"

#include <QBrush>

namespace qvx {

namespace {

struct ColumnSpec {
    const char *header;
    int widthTwips;
};

constexpr std::array<ColumnSpec, DeviceGridModel::kColumns> kColumnSpecs{{
    {"MAC Address", 1600},
    {"IP Address", 1600},
    {"Subnet Mask", 1600},
    {"Gateway Address", 1600},
    {"Local Port", 900},
    {"Remote Port", 900},
    {"Baudrate", 900},
    {"Timeout", 900}, // receive timeout, microseconds
    {"Data bits", 900},
    {"Parity bit", 900},
    {"Stop bit", 900},
    {"Timeout", 900}, // timeout back to the default serial parameters
    {"IP source 1", 1600},
    {"IP source 2", 1600},
    {"IP source 3", 1600},
    {"IP source 4", 1600},
    {"Status bridge", 1600},
    {"Local p bridge", 1600},
    {"Remote p bridge 1", 1600},
    {"Remote p bridge 2", 1600},
    {"Remote p bridge 3", 1600},
    {"Remote p bridge 4", 1600},
    {"Remote p bridge 5", 1600},
    {"IP bridge 1", 1600},
    {"IP bridge 2", 1600},
    {"IP bridge 3", 1600},
    {"IP bridge 4", 1600},
    {"IP bridge 5", 1600},
}};

} // namespace

DeviceGridModel::DeviceGridModel(QObject *parent) : QAbstractTableModel(parent) {}

QString DeviceGridModel::headerText(int column)
{
    if (column < 0 || column >= kColumns)
        return {};
    return QString::fromLatin1(kColumnSpecs[std::size_t(column)].header);
}

int DeviceGridModel::columnWidthTwips(int column)
{
    if (column < 0 || column >= kColumns)
        return 0;
    return kColumnSpecs[std::size_t(column)].widthTwips;
}

void DeviceGridModel::clear()
{
    beginResetModel();
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_highlighted = -1;
    endResetModel();
}

void DeviceGridModel::appendDevice(const QStringList &cells)
{
    const int row = deviceCount();
    Row texts;
    for (int c = 0; c < kColumns && c < cells.size(); ++c)
        texts[std::size_t(c)] = cells[c];
    beginInsertRows(QModelIndex(), row, row);
    m_rows.push_back(std::move(texts));
    endInsertRows();
}

QString DeviceGridModel::cell(int deviceRow, int column) const
{
    if (deviceRow < 0 || deviceRow >= deviceCount() || column < 0 || column >= kColumns)
        return {};
    return m_rows[std::size_t(deviceRow)][std::size_t(column)];
}

void DeviceGridModel::highlightRow(int deviceRow, const QColor &background, const QColor &foreground)
{
    if (deviceRow < 0 || deviceRow >= deviceCount())
        deviceRow = -1;
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
    return parent.isValid() ? 0 : deviceCount();
}

int DeviceGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kColumns;
}

QVariant DeviceGridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= deviceCount() || index.column() >= kColumns)
        return {};
    const bool highlighted = index.row() == m_highlighted;
    switch (role) {
    case Qt::DisplayRole:
        return m_rows[std::size_t(index.row())][std::size_t(index.column())];
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
