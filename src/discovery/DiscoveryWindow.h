#pragma once
#include "accessibility/ValueLabel.h"
#include "protocol/FieldRules.h"
#include "netadapters/LocalCard.h"
#include "netadapters/DeviceReply.h"

#include <QList>
#include <QPointer>
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
// The window owns its controls. Their objectNames are the names tests and tools look them up
// by, with "_i" for an element of a row of boxes ("txtIP_0", "cmbRecord_2"); the rest of the
// program drives the window through the functions below.
class AddressScan;
class AddressSearchDialog;

class DiscoveryWindow : public QWidget {
    Q_OBJECT
public:
    explicit DiscoveryWindow(ProgramServices &services, QWidget *parent = nullptr);
    ~DiscoveryWindow() override;

    // Run right after construction, by whoever creates the window.
    void initialize();

    // ---- What a discovery shows ----
    // Empties the grid and the status area; gridRowCount 1.
    void clearDeviceGrid();
    // Lists the devices of one arrival of discovery answers: the rows reach the view in one
    // insertion, the newest becomes current and "Found N Device" is shown once. The grid
    // holds at most 32766 devices (gridRowCount is 16-bit); later answers are not listed.
    void addDevices(const QList<DeviceReply> &devices);
    // The card chosen in the selector, by name; empty for all network cards.
    QString chosenCard() const;
    // A discovery has left: the fresh card list for the selector and the panel, and the
    // cards it could not search.
    void showCardsSearched(const QList<LocalCard> &listed, const QStringList &notSearched);
    // Status area: "Searching..." / "No Device Found" (with the replies the system dropped).
    void showSearching();
    void showNoDeviceFound();

    // The device rows, for the grid's readers.
    DeviceGridModel &deviceRows() { return *m_grid; }

    // Chooses the file of "Export…" (an empty text cancels). Unset: a save dialog.
    void setExportPathChooser(std::function<QString(QWidget *parent)> chooser);
    // Chooses the sheet of "Compare with sheet…" (an empty text cancels). Unset: an open dialog.
    void setSheetPathChooser(std::function<QString(QWidget *parent)> chooser);

public Q_SLOTS:
    // "Refresh View".
    void onRefreshClicked();
    // "Upload selected device" and "Factory setting".
    void uploadSelectedDevice();
    void restoreFactorySetting();
    // "Export…": asks for a file and writes every grid row to it as CSV (UTF-8, RFC 4180),
    // through the same writer as qvxctl's --format csv. A file that cannot be written is
    // reported.
    void exportDevices();
    // Makes grid row `gridRow` (1 = first device) current and chooses it as a click does: the
    // editor filled from its record, the row highlighted, its MAC address the destination of
    // upload and factory setting.
    void clickGridRow(int gridRow);

    // ---- Search by address ("Search addresses…") ----
    // Opens the search dialog.
    void openAddressSearch();
    // Starts a search of `ranges` at `ratePerSecond`, its devices listed as found by
    // address; false (with the reason in the dialog, when open) for ranges refused.
    bool searchAddresses(const QStringList &ranges, int ratePerSecond);
    // Whether a settings reply from `source` belongs to the running search: such replies
    // never reach the programmer window.
    bool claimsSettingsReply(quint32 source) const;
    void takeSettingsReply(const qvx::SettingsBlock &settings, int length, const qvx::ReplyOrigin &origin);
    // "Open in programmer" (or a double click) on a row found by address.
    void openSelectedInProgrammer();

    // ---- Comparison with a site's sheet ("Compare with sheet…", "Clear comparison") ----
    // Asks for a sheet and compares the grid with it until cleared; a sheet that cannot be
    // read or is refused is reported and changes nothing.
    void compareWithSheet();
    void clearComparison();

Q_SIGNALS:
    // The programmer window is to download the settings of the device at `address`.
    void programmerRequested(quint32 address);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    using OctetBoxes = std::array<QLineEdit *, 4>;

    void buildControls();
    void applyColumnWidths();
    void sizeCardColumns();
    void onDeviceRowClicked();
    // The editor's texts and selections, as the upload checks them.
    DeviceEditorTexts editorTexts() const;
    void fillEditor(const DeviceEditorTexts &texts);
    void makeNewestRowCurrent();
    void showDeviceCount();
    void showLostReplies();
    void showStatus(const QString &text, QLabel *indicator);
    void fillCardSelector(const QList<LocalCard> &listed);
    // The "Network card configuration" panel: the chosen card; with all cards, the card of
    // the selected row, else the first card a device answered on, else the first card.
    void showPanelCard();
    void showCardInPanel(const LocalCard &card);
    // Upload and factory setting leave on the card the selected device answered on.
    void sendToSelectedDevice(quint8 cmd, const QByteArray &data);
    void warn(const QString &text);
    // The buttons that suit the chosen row: writes by MAC address only for discovered rows.
    void enableRowButtons(int deviceRow);
    // Runs the last search again, its dialog (when open) showing it.
    void startSearch();

    ProgramServices &m_services;
    AddressScan *m_addressScan = nullptr;
    QPointer<AddressSearchDialog> m_searchDialog;
    // The last search's addresses and pace, repeated by "Refresh View".
    QList<quint32> m_lastSearch;
    int m_lastSearchRate = 500;
    DeviceGridModel *m_grid = nullptr;
    QList<LocalCard> m_listedCards;
    int m_selectedRow = -1;
    std::optional<LocalCard> m_destinationCard;
    bool m_answeringCardShown = false;
    // The endpoint's drop counter when the grid was last cleared.
    quint64 m_droppedAtClear = 0;
    std::function<QString(QWidget *parent)> m_exportPathChooser;
    std::function<QString(QWidget *parent)> m_sheetPathChooser;
    QString m_sheetName;
    // The comparison's counts on the status line.
    void showComparison();

    // ---- Controls ----
    QPushButton *m_refreshButton = nullptr;
    QPushButton *m_searchAddressesButton = nullptr;
    QPushButton *m_compareButton = nullptr;
    QPushButton *m_clearComparisonButton = nullptr;
    ValueLabel *m_comparisonSummary = nullptr;
    QPushButton *m_openInProgrammerButton = nullptr;
    QPushButton *m_uploadSelectedButton = nullptr;
    QPushButton *m_factorySettingButton = nullptr;
    QPushButton *m_exitButton = nullptr;
    QPushButton *m_exportButton = nullptr;
    // "All network cards" (item 0, the default) and one entry per searchable card
    // ("eth1 192.168.0.200/24"), each with the card's name as data.
    QComboBox *m_cardSelector = nullptr;
    // The cards the last discovery could not search, one line each ("Not searched on eth2:
    // Network is down"); empty when every card was searched.
    ValueLabel *m_notSearchedMessage = nullptr;
    // Header row = the view's horizontal header; device rows are the model's rows.
    QTableView *m_deviceGrid = nullptr;

    ValueLabel *m_statusMessage = nullptr;
    QLabel *m_searchingIcon = nullptr;
    QLabel *m_foundIcon = nullptr;
    QLabel *m_notFoundIcon = nullptr;
    // Below the status: replies of this discovery that the system dropped, when there are.
    ValueLabel *m_lostReplies = nullptr;

    ValueLabel *m_adapterMac = nullptr;
    ValueLabel *m_adapterIp = nullptr;
    ValueLabel *m_adapterMask = nullptr;
    ValueLabel *m_adapterGateway = nullptr;

    std::array<QLineEdit *, 6> m_macAddressBoxes{};
    OctetBoxes m_ipAddressBoxes{};
    OctetBoxes m_subnetMaskBoxes{};
    OctetBoxes m_gatewayBoxes{};
    QLineEdit *m_localPortBox = nullptr;
    QLineEdit *m_remotePortBox = nullptr;
    // (0) baud rate, (1) data bits, (2) parity, (3) stop bits, (4) timeout to default.
    std::array<QComboBox *, 5> m_serialLists{};
    QLineEdit *m_uartTimeoutBox = nullptr;
    std::array<OctetBoxes, 4> m_sourceBoxes{};
    QRadioButton *m_bridgeEnabled = nullptr;
    QRadioButton *m_bridgeDisabled = nullptr;
    QLineEdit *m_bridgeLocalPortBox = nullptr;
    std::array<QLineEdit *, 5> m_bridgeRemotePortBoxes{};
    std::array<OctetBoxes, 5> m_bridgeHostBoxes{};
    std::array<ValueLabel *, 6> m_destinationMacBytes{};
};

} // namespace qvx
