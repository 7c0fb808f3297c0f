#pragma once
#include <QDialog>
#include <array>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace qvx {

class AppContext;

// "Bridge IP destinations": bridge status, bridge local port and five destinations (address
// and remote port). The boxes keep the program-wide BridgeIP1..BridgeIP5, BridgeLocalPort
// and BridgeRemotePort up to date on each change of their text; the upload sends those,
// and reads the status straight from optEnableB / optDisableB.
class frm06Bridge : public QDialog {
    Q_OBJECT
public:
    explicit frm06Bridge(AppContext &ctx, QWidget *parent = nullptr);

    // Fills the dialog from a bridge reply: bit 0 of byte 0 selects optEnableB or
    // optDisableB, then the local port (bytes 1-2), the remote ports (two bytes each, high
    // byte first) and the five addresses, all in decimal. Whatever lies beyond the end of a
    // short reply keeps its text.
    void ShowBridgeSettings(const QByteArray &data);

    // ---- Controls; objectNames "txtBridgeIP3_1", "txtRemotePortB_4", "lblBridge_0"... ----
    QGroupBox *frmBridge = nullptr;
    std::array<QLabel *, 5> lblBridge{};
    std::array<QLabel *, 5> lblIPB{};
    std::array<QLineEdit *, 4> txtBridgeIP1{};
    std::array<QLineEdit *, 4> txtBridgeIP2{};
    std::array<QLineEdit *, 4> txtBridgeIP3{};
    std::array<QLineEdit *, 4> txtBridgeIP4{};
    std::array<QLineEdit *, 4> txtBridgeIP5{};
    std::array<QLabel *, 5> lblRemotePortB{};
    std::array<QLineEdit *, 5> txtRemotePortB{};
    QLabel *lblLocalPortB = nullptr;
    QLineEdit *txtLocalPortB = nullptr;
    QGroupBox *frmStatusB = nullptr;
    QRadioButton *optEnableB = nullptr;
    QRadioButton *optDisableB = nullptr;
    QPushButton *cmdDownloadBridgeIP = nullptr;
    QPushButton *cmdUploadBridgeIP = nullptr;
    QLabel *lblNote = nullptr;

    // ---- Handlers ----
    void txtBridgeIP1_Change(int Index);
    void txtBridgeIP2_Change(int Index);
    void txtBridgeIP3_Change(int Index);
    void txtBridgeIP4_Change(int Index);
    void txtBridgeIP5_Change(int Index);
    void txtLocalPortB_Change();
    void txtRemotePortB_Change(int Index);
    void cmdDownloadBridgeIP_Click();
    void cmdUploadBridgeIP_Click();

private:
    std::array<QLineEdit *, 4> &bridgeBoxes(int destination);
    void storeOctet(int destination, int Index);

    AppContext &m_ctx;
};

} // namespace qvx
