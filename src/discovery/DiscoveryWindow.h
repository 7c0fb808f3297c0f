#pragma once
#include "accessibility/ValueLabel.h"
#include "protocol/FieldRules.h"
#include "netadapters/LocalCard.h"
#include "netadapters/DeviceReply.h"

#include <QList>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableView;

namespace qvx {

class ProgramServices;
class DeviceGridModel;

// "NET QVX Device Discovery": the devices that answer a discovery, the local network card,
// the editor of the device picked in the grid, its upload and its factory setting.
// Controls are public, so that the reply dispatcher and the timers can reach them. Their
// objectNames are the names tests look them up by, with "_i" for an element of an array of
// boxes ("txtIP_0", "cmbRecord_2").
class DiscoveryWindow : public QWidget {
    Q_OBJECT
public:
    explicit DiscoveryWindow(ProgramServices &services, QWidget *parent = nullptr);
    ~DiscoveryWindow() override;

    // ---- Controls ----
    QPushButton *refreshButton = nullptr;
    QPushButton *uploadSelectedButton = nullptr;
    QPushButton *factorySettingButton = nullptr;
    QPushButton *exitButton = nullptr;
    // "Export…": writes the listed devices to a CSV file, with a header of field keys.
    QPushButton *exportButton = nullptr;

    // The cards a discovery searches: "All network cards" (item 0, the default) and one
    // entry per searchable card ("eth1 192.168.0.200/24"), each with the card's name as data.
    QComboBox *cardSelector = nullptr;
    // The cards the last discovery could not search, one line each ("Not searched on eth2:
    // Network is down"); empty when every card was searched.
    ValueLabel *notSearchedMessage = nullptr;

    // Header row = the view's horizontal header; device rows are the model's rows.
    QTableView *deviceGrid = nullptr;

    ValueLabel *statusMessage = nullptr;
    QLabel *searchingIcon = nullptr;
    QLabel *foundIcon = nullptr;
    QLabel *notFoundIcon = nullptr;
    // Below the status: replies of this discovery that the system dropped, when there are.
    ValueLabel *lostReplies = nullptr;

    QLabel *adapterCaption = nullptr;
    QLabel *adapterMacCaption = nullptr;
    QLabel *adapterIpCaption = nullptr;
    QLabel *adapterMaskCaption = nullptr;
    QLabel *adapterGatewayCaption = nullptr;
    ValueLabel *adapterMac = nullptr;
    ValueLabel *adapterIp = nullptr;
    ValueLabel *adapterMask = nullptr;
    ValueLabel *adapterGateway = nullptr;

    QLabel *detailsCaption = nullptr;
    QGroupBox *ethernetGroup = nullptr;
    QGroupBox *uartGroup = nullptr;
    QGroupBox *sourceFilterGroup = nullptr;
    QGroupBox *bridgeGroup = nullptr;

    std::array<QLineEdit *, 6> macAddressBoxes{};
    std::array<QLineEdit *, 4> ipAddressBoxes{};
    std::array<QLineEdit *, 4> subnetMaskBoxes{};
    std::array<QLineEdit *, 4> gatewayBoxes{};
    QLineEdit *localPortBox = nullptr;
    QLineEdit *remotePortBox = nullptr;

    // (0) baud rate, (1) data bits, (2) parity, (3) stop bits, (4) timeout to default.
    std::array<QComboBox *, 5> serialLists{};
    QLineEdit *uartTimeoutBox = nullptr;

    std::array<QLineEdit *, 4> source1Boxes{};
    std::array<QLineEdit *, 4> source2Boxes{};
    std::array<QLineEdit *, 4> source3Boxes{};
    std::array<QLineEdit *, 4> source4Boxes{};

    QRadioButton *bridgeEnabled = nullptr;
    QRadioButton *bridgeDisabled = nullptr;
    QLineEdit *bridgeLocalPortBox = nullptr;
    std::array<QLineEdit *, 5> bridgeRemotePortBoxes{};
    std::array<QLineEdit *, 4> bridge1Boxes{};
    std::array<QLineEdit *, 4> bridge2Boxes{};
    std::array<QLineEdit *, 4> bridge3Boxes{};
    std::array<QLineEdit *, 4> bridge4Boxes{};
    std::array<QLineEdit *, 4> bridge5Boxes{};

    QLabel *destinationMacCaption = nullptr;
    std::array<ValueLabel *, 6> destinationMacBytes{};

    // ---- Operations ----
    // Run right after construction, by whoever creates the window.
    void initialize();
    // Empties the grid and the status area; gridRowCount 1.
    void clearDeviceGrid();
    // One discovery reply (its data bytes) and the card it arrived on: a new grid row and
    // "Found N Device".
    void addDeviceRow(const QByteArray &data, const std::optional<LocalCard> &card = std::nullopt);
    // Lists the devices of one arrival of discovery answers, laid out once.
    void addDevices(const QList<DeviceReply> &devices);
    // The card chosen in the selector, by name; empty for all network cards.
    QString chosenCard() const;
    // A discovery has left: the fresh card list for the selector and the panel, and the
    // cards it could not search.
    void showCardsSearched(const QList<LocalCard> &listed, const QStringList &notSearched);
    // While a batch of replies is handled, the new rows reach the grid view, the newest
    // becomes current and the device count is shown once, when the batch ends, instead of
    // once per reply (each makes a shown grid lay itself out again).
    void setRowBatch(bool batching);
    // Status area: "Searching..." / "No Device Found".
    void showSearching();
    void showNoDeviceFound();
    // Shows how many replies the system dropped since the grid was last cleared (the
    // endpoint's drop counter), or nothing when none was.
    void showLostReplies();
    // Paints grid row `row` (0: the grid's current row; on return the row used) with the
    // background `color` and the text colour `foreColor`, every other device row black on white.
    // Colours are 0xBBGGRR. The grid's current row and column are left as they were.
    void paintRow(QTableView *grid, qint16 &row, qint32 color, qint32 foreColor);

    // The device rows, for the grid's readers and for tests.
    DeviceGridModel &deviceRows() { return *m_grid; }

    // ---- Handlers ----
    void onRefreshClicked();
    void uploadSelectedDevice();
    void restoreFactorySetting();
    void onExitClicked();
    // Asks for a file and writes every grid row to it as CSV (UTF-8, RFC 4180), through the
    // same writer as qvxctl's --format csv. A file that cannot be written is reported.
    void exportDevices();
    // Chooses the file of "Export…" (an empty text cancels). Unset: a save dialog. Tests
    // set their own.
    std::function<QString(QWidget *parent)> exportPathChooser;
    // The editor's texts and selections, as the upload checks them.
    DeviceEditorTexts editorTexts();
    // A click on a device row (the grid's current row): fills the editor from it, highlights
    // it and takes its MAC address as destination of upload and factory setting.
    void onDeviceRowClicked();
    // Makes grid row `gridRow` (1 = first device) current and runs the click handling.
    void clickGridRow(int gridRow);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void makeNewestRowCurrent();
    void showDeviceCount();
    void fillCardSelector(const QList<LocalCard> &listed);
    // The "Network card configuration" panel: the chosen card; with all cards, the card of
    // the selected row, else the first card a device answered on, else the first card.
    void showPanelCard();
    void showCardInPanel(const LocalCard &card);
    void sizeCardColumns();
    // Upload and factory setting leave on the card the selected device answered on.
    void sendToSelectedDevice(quint8 cmd, const QByteArray &data);
    QList<LocalCard> m_listedCards;
    int m_selectedRow = -1;
    std::optional<LocalCard> m_destinationCard;
    bool m_answeringCardShown = false;
    bool m_rowBatch = false;
    bool m_newestRowPending = false;
    // The endpoint's drop counter when the grid was last cleared.
    quint64 m_droppedAtClear = 0;
    using OctetBoxes = std::array<QLineEdit *, 4>;
    // source1Boxes .. source4Boxes and bridge1Boxes .. bridge5Boxes, for loops over them.
    std::array<OctetBoxes *, 4> sourceBoxes() { return {&source1Boxes, &source2Boxes, &source3Boxes, &source4Boxes}; }
    std::array<OctetBoxes *, 5> bridgeHostBoxes() { return {&bridge1Boxes, &bridge2Boxes, &bridge3Boxes, &bridge4Boxes, &bridge5Boxes}; }

    void buildControls();
    void applyColumnWidths();
    void showStatus(const QString &text, QLabel *indicator);
    void warn(const QString &text);

    ProgramServices &m_services;
    DeviceGridModel *m_grid = nullptr;
};

} // namespace qvx
