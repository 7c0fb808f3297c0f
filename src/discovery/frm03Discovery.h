#pragma once
#include "netadapters/GetAdaptsInfo.h"

#include <QList>
#include <QWidget>
#include <array>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableView;

namespace qvx {

class AppContext;
class DeviceGridModel;

// "NET QVX Device Discovery": the devices that answer a discovery, the local network card,
// the editor of the device picked in the grid, its upload and its factory setting.
// Controls are public and named as the protocol documentation names them, so that the
// reply dispatcher and the timers can reach them; each objectName is the control's name,
// with "_i" for an element of a control array ("txtIP_0", "cmbRecord_2").
class frm03Discovery : public QWidget {
    Q_OBJECT
public:
    explicit frm03Discovery(AppContext &ctx, QWidget *parent = nullptr);
    ~frm03Discovery() override;

    // ---- Controls ----
    QPushButton *cmdRefresh = nullptr; // "Refresh View"
    QPushButton *cmdNetSet = nullptr;  // "Upload selected device"
    QPushButton *cmdFactory = nullptr; // "Factory setting"
    QPushButton *cmdExit = nullptr;    // "Exit"

    // Header row = the view's horizontal header; device rows are the model's rows.
    QTableView *grdDevice = nullptr;

    QLabel *lblMsg = nullptr;
    QLabel *imgSearch = nullptr;
    QLabel *imgOk = nullptr;
    QLabel *imgFail = nullptr;

    QLabel *lblConfigNet = nullptr;
    QLabel *lblMac = nullptr;
    QLabel *lblIp = nullptr;
    QLabel *lblMask = nullptr;
    QLabel *lblGw = nullptr;
    QLabel *lblMacAddr = nullptr;
    QLabel *lblIpAddr = nullptr;
    QLabel *lblSubnetMask = nullptr;
    QLabel *lblGateway = nullptr;

    QLabel *lblDetails = nullptr;
    QGroupBox *frmConfigEthernet = nullptr;
    QGroupBox *frmConfigUart = nullptr;
    QGroupBox *frmIpSource = nullptr;
    QGroupBox *frmBridge = nullptr;

    std::array<QLineEdit *, 6> txtMac{};
    std::array<QLineEdit *, 4> txtIP{};
    std::array<QLineEdit *, 4> txtMask{};
    std::array<QLineEdit *, 4> txtGwy{};
    QLineEdit *txtLocalPort = nullptr;
    QLineEdit *txtRemotePort = nullptr;

    // (0) baud rate, (1) data bits, (2) parity, (3) stop bits, (4) timeout to default.
    std::array<QComboBox *, 5> cmbRecord{};
    QLineEdit *txtTimeOut = nullptr;

    std::array<QLineEdit *, 4> txtSource1{};
    std::array<QLineEdit *, 4> txtSource2{};
    std::array<QLineEdit *, 4> txtSource3{};
    std::array<QLineEdit *, 4> txtSource4{};

    QRadioButton *optEnableB = nullptr;
    QRadioButton *optDisableB = nullptr;
    QLineEdit *txtLocalPB = nullptr;
    std::array<QLineEdit *, 5> txtRemotePB{};
    std::array<QLineEdit *, 4> txtIPB1{};
    std::array<QLineEdit *, 4> txtIPB2{};
    std::array<QLineEdit *, 4> txtIPB3{};
    std::array<QLineEdit *, 4> txtIPB4{};
    std::array<QLineEdit *, 4> txtIPB5{};

    QLabel *lblTitleMacAddrDest = nullptr;
    std::array<QLabel *, 6> lblMacAddrDest{};

    // ---- Window fields ----
    QList<AdapterRecord> Adapters;
    qint32 AdapterCount = 0;

    // ---- Operations ----
    // Run by AppContext right after construction.
    void Form_Load();
    // Empties the grid and the status area; GridRowCount 1.
    void InitDeviceGrid();
    // One discovery reply (its data bytes): a new grid row and "Found N Device".
    void AddDeviceRow(const QByteArray &data);
    // While a batch of replies is handled, the newest row is made current once, when the
    // batch ends, instead of once per reply (each change of the current row makes a shown
    // grid lay itself out again).
    void SetRowBatch(bool batching);
    // Status area: "Searching..." / "No Device Found".
    void ShowSearching();
    void ShowNoDeviceFound();
    // Paints grid row prmi_Row (0: the grid's current row; on return the row used) with the
    // background prml_Color and text prml_ForeColor, every other device row black on white.
    // Colours are 0xBBGGRR. The grid's current row and column are left as they were.
    void LineShows(QTableView *Grid, qint16 &prmi_Row, qint32 prml_Color, qint32 prml_ForeColor);

    // The device rows, for the grid's readers and for tests.
    DeviceGridModel &DeviceGrid() { return *m_grid; }

    // ---- Handlers ----
    void cmdRefresh_Click();
    void cmdNetSet_Click();
    void cmdFactory_Click();
    void cmdExit_Click();
    // A click on a device row (the grid's current row): fills the editor from it, highlights
    // it and takes its MAC address as destination of upload and factory setting.
    void grdDevice_Click();
    // Makes grid row `gridRow` (1 = first device) current and runs the click handling.
    void ClickGridRow(int gridRow);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void makeNewestRowCurrent();
    bool m_rowBatch = false;
    bool m_newestRowPending = false;
    using OctetBoxes = std::array<QLineEdit *, 4>;
    // txtSource1 .. txtSource4 and txtIPB1 .. txtIPB5, for loops over them.
    std::array<OctetBoxes *, 4> sourceBoxes() { return {&txtSource1, &txtSource2, &txtSource3, &txtSource4}; }
    std::array<OctetBoxes *, 5> bridgeHostBoxes() { return {&txtIPB1, &txtIPB2, &txtIPB3, &txtIPB4, &txtIPB5}; }

    void buildControls();
    void applyColumnWidths();
    void showStatus(const QString &text, QLabel *indicator);
    void warn(const QString &text);

    AppContext &m_ctx;
    DeviceGridModel *m_grid = nullptr;
};

} // namespace qvx
