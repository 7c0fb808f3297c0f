#pragma once
#include "netadapters/LocalCard.h"
#include "protocol/Layouts.h"
#include "protocol/SiteCheck.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QHash>
#include <QStringList>
#include <array>
#include <optional>
#include <vector>

namespace qvx {

// The rows of the device grid: one row per answering device, with the 28 cell texts of its
// settings (the columns of kDiscoveryColumns) and, in a last column, the network card it
// answered on. The grid's header row is
// the view's horizontal header, so model row d is grid row d + 1.
//
// A row keeps the device's decoded discovery record; a cell's text is made when the view
// (or cell()) asks for it, so that a storm of replies costs no text for the rows nobody
// looks at.
//
// The IP address cell carries the device's flags (DeviceFlags) as a picture, a tooltip and
// accessible text: an address outside its card's subnet, an address shared by two or more
// listed devices. A shared address flags every row that has it, the earlier ones included.
//
// Every row is drawn black on white except the one highlighted row, whose colours are kept
// here: moving the highlight touches two rows, whatever the number of rows.
class DeviceGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // The device's settings, then the card.
    static constexpr int kSettingsColumns = 28;
    static constexpr int kCardColumn = 28;
    static constexpr int kColumns = 29;
    static constexpr int kAddressColumn = 1;

    explicit DeviceGridModel(QObject *parent = nullptr);

    // Header text of a column ("MAC Address" ... "IP bridge 5", "Network card"), and its
    // width in twips.
    static QString headerText(int column);
    static int columnWidthTwips(int column);

    // ---- grid access ----
    // Removes every device row.
    void clear();
    // Appends the row of a device from the record data of its discovery reply. `card` is the
    // card the device answered on (nothing when it came in on no known card).
    void appendDevice(const QByteArray &recordData, const std::optional<LocalCard> &card = std::nullopt);
    // The same from a decoded record of which the reply carried `recordLength` bytes.
    void appendDevice(const DiscoveryRecord &record, int recordLength, const std::optional<LocalCard> &card);
    // Appends a device found by a search by address, from its settings download: the
    // columns a settings download carries (MAC address to the default timeout) are filled,
    // the others stay empty and say why. A device a discovery listed already is skipped.
    // `answeredFrom` is the address the answer came from.
    void appendFoundByAddress(const SettingsBlock &settings, int length, const std::optional<LocalCard> &card,
                              quint32 answeredFrom);
    // Whether a device row was found by address rather than by a discovery, and the address
    // it answered from (0 for a discovered row).
    bool isFoundByAddress(int deviceRow) const;
    quint32 answeredFrom(int deviceRow) const;
    // Why a row found by address has empty cells.
    static QString foundByAddressText();
    int deviceCount() const { return int(m_rows.size()); }
    // While a row batch is open, appended rows count at once for deviceCount(), cell() and
    // the flags, and are announced to the views in one insertion when the batch ends: a
    // shown grid then lays itself out once per batch instead of once per row.
    void beginRowBatch();
    void endRowBatch();
    // Text of a device row's cell (deviceRow from 0); empty outside the grid.
    QString cell(int deviceRow, int column) const;
    // A device row's decoded record and the number of its bytes the reply carried (fields
    // beyond them read 0); nothing outside the grid.
    const DiscoveryRecord *recordOf(int deviceRow) const;
    int recordLengthOf(int deviceRow) const;
    // The card a device row answered on; nothing outside the grid or when unknown.
    std::optional<LocalCard> cardOf(int deviceRow) const;
    // The card the first device row answered on, of the rows that name one.
    std::optional<LocalCard> firstAnsweringCard() const;
    // A device row's flags (none outside the grid) and their explanation.
    DeviceFlags flagsOf(int deviceRow) const;
    QString flagsText(int deviceRow) const;

    // Highlights one device row with the given colours and draws every other row black on
    // white. -1 (or any row outside the grid) removes the highlight.
    void highlightRow(int deviceRow, const QColor &background, const QColor &foreground);
    int highlightedRow() const { return m_highlighted; }

    // ---- Comparison with a site's sheet ----
    // Compares the listed devices with the sheet from now on (nothing: no comparison): a
    // cell whose value differs from the sheet's is marked, with the sheet's value in its
    // tooltip and accessible text; a device the sheet does not name is marked on its MAC
    // address; the units the sheet plans that are not listed follow the device rows as
    // greyed rows showing the plan. Kept when the grid is cleared and filled again.
    void setComparison(std::optional<SiteSheet> sheet);
    bool hasComparison() const { return m_sheet.has_value(); }
    // The units of the last comparison, as checkSite() gives them.
    const QList<UnitCheck> &comparison() const { return m_checks; }
    // Rows of planned units that did not answer, after the device rows.
    int missingRowCount() const { return int(m_missing.size()); }

    // ---- QAbstractTableModel ----
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    // One device row. More per-device fields belong here.
    struct Row {
        DiscoveryRecord record;
        // Record bytes the reply carried: a cell whose field lies beyond them is empty.
        int recordLength = 0;
        std::optional<LocalCard> card;
        quint32 address = 0;  // of the IP address cell; 0 when it is not a dotted address
        bool foundByAddress = false;
        quint32 answeredFrom = 0;
    };
    static_assert(kSettingsColumns == kDeviceGridColumns);

    void append(Row &&row);
    // Announces the rows appended since the last announcement to the views.
    void announceRows();
    void emitRowChanged(int deviceRow);
    // Compares again after the rows changed.
    void compare();
    QVariant comparisonData(int row, int column, int role) const;

    std::optional<SiteSheet> m_sheet;
    QList<UnitCheck> m_checks;
    // Per device row: its check in m_checks (-1 none); the missing units' checks.
    std::vector<int> m_checkOfRow;
    QList<UnitCheck> m_missing;

    std::vector<Row> m_rows;
    // Rows the views know of (rowCount()); fewer than m_rows only while a batch is open.
    int m_announced = 0;
    bool m_batching = false;
    // Device rows by address, for the shared-address flag.
    QHash<quint32, QList<int>> m_rowsByAddress;
    int m_highlighted = -1;
    QColor m_highlightBackground;
    QColor m_highlightForeground;
};

} // namespace qvx
