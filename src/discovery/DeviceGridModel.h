#pragma once
#include <QAbstractTableModel>
#include <QColor>
#include <QStringList>
#include <array>
#include <vector>

namespace qvx {

// The rows of the device grid: one row of 28 cell texts per answering device. The grid's
// header row is the view's horizontal header, so model row d is grid row d + 1.
//
// Every row is drawn black on white except the one highlighted row, whose colours are kept
// here: moving the highlight touches two rows, whatever the number of rows.
class DeviceGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kColumns = 28;

    explicit DeviceGridModel(QObject *parent = nullptr);

    // Header text of a column ("MAC Address" ... "IP bridge 5"), and its width in twips.
    static QString headerText(int column);
    static int columnWidthTwips(int column);

    // ---- grid access ----
    // Removes every device row.
    void clear();
    // Appends one device row; missing cells are empty, extra ones are dropped.
    void appendDevice(const QStringList &cells);
    int deviceCount() const { return int(m_rows.size()); }
    // Text of a device row's cell (deviceRow from 0); empty outside the grid.
    QString cell(int deviceRow, int column) const;

    // Highlights one device row with the given colours and draws every other row black on
    // white. -1 (or any row outside the grid) removes the highlight.
    void highlightRow(int deviceRow, const QColor &background, const QColor &foreground);
    int highlightedRow() const { return m_highlighted; }

    // ---- QAbstractTableModel ----
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    using Row = std::array<QString, kColumns>;

    void emitRowChanged(int deviceRow);

    std::vector<Row> m_rows;
    int m_highlighted = -1;
    QColor m_highlightBackground;
    QColor m_highlightForeground;
};

} // namespace qvx
