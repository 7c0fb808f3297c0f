#pragma once
#include "protocol/Layouts.h"

#include <QDialog>
#include <array>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace qvx {

class ProgramServices;

// "Bridge IP destinations": bridge status, bridge local port and five destinations (address
// and remote port). The boxes keep the program-wide bridgeAddresses, bridgeLocalPort
// and bridgeRemotePorts up to date on each change of their text; the upload sends those,
// and reads the status straight from bridgeEnabled / bridgeDisabled.
class BridgeDialog : public QDialog {
    Q_OBJECT
public:
    explicit BridgeDialog(ProgramServices &services, QWidget *parent = nullptr);

    // Fills the dialog from a bridge reply: bit 0 of byte 0 selects bridgeEnabled or
    // bridgeDisabled, then the local port (bytes 1-2), the remote ports (two bytes each, high
    // byte first) and the five addresses, all in decimal. Whatever lies beyond the end of a
    // short reply keeps its text.
    // Fills the boxes a bridge reply of `length` data bytes covers.
    void showBridgeSettings(const BridgeBlock &block, int length);

    // ---- Controls; objectNames "txtBridgeIP3_1", "txtRemotePortB_4", "lblBridge_0"... ----
    QGroupBox *bridgeGroup = nullptr;
    std::array<QLabel *, 5> destinationCaptions{};
    std::array<QLabel *, 5> addressCaptions{};
    std::array<QLineEdit *, 4> bridge1Boxes{};
    std::array<QLineEdit *, 4> bridge2Boxes{};
    std::array<QLineEdit *, 4> bridge3Boxes{};
    std::array<QLineEdit *, 4> bridge4Boxes{};
    std::array<QLineEdit *, 4> bridge5Boxes{};
    std::array<QLabel *, 5> remotePortCaptions{};
    std::array<QLineEdit *, 5> bridgeRemotePortBoxes{};
    QLabel *localPortCaption = nullptr;
    QLineEdit *bridgeLocalPortBox = nullptr;
    QGroupBox *statusGroup = nullptr;
    QRadioButton *bridgeEnabled = nullptr;
    QRadioButton *bridgeDisabled = nullptr;
    QPushButton *downloadButton = nullptr;
    QPushButton *uploadButton = nullptr;
    QLabel *noteLabel = nullptr;

    // ---- Handlers ----
    void onBridge1Edited(int index);
    void onBridge2Edited(int index);
    void onBridge3Edited(int index);
    void onBridge4Edited(int index);
    void onBridge5Edited(int index);
    void onLocalPortEdited();
    void onRemotePortEdited(int index);
    void downloadBridge();
    void uploadBridge();

private:
    std::array<QLineEdit *, 4> &bridgeBoxes(int destination);
    void storeOctet(int destination, int index);

    ProgramServices &m_services;
};

} // namespace qvx
