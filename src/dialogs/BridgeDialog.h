#pragma once
#include "protocol/Layouts.h"

#include <QDialog>
#include <array>

class QLineEdit;
class QRadioButton;

namespace qvx {

class OctetRow;
class ProgramServices;

// "Bridge IP destinations": bridge status, bridge local port and five destinations (address
// and remote port). "Upload" sends what the dialog shows when the write is due, or, once the
// dialog is closed, what it showed when the button was pressed. Controls are found by
// objectName ("txtBridgeIP3_1", "txtRemotePortB_4", "txtLocalPortB", "optEnableB"...).
class BridgeDialog : public QDialog {
    Q_OBJECT
public:
    explicit BridgeDialog(ProgramServices &services, QWidget *parent = nullptr);

    // Fills what a bridge reply of `length` data bytes covers: bit 0 of byte 0 selects
    // "Enable" or "Disable", then the local port (bytes 1-2), the remote ports (two bytes
    // each, high byte first) and the five addresses, all in decimal. Whatever lies beyond
    // the end of a short reply keeps its text.
    void showBridgeSettings(const BridgeBlock &block, int length);

private:
    // The dialog's values as the upload checks them (-1 marks a box that holds no number).
    struct Values {
        bool enabled = false;
        qint32 localPort = 0;
        std::array<qint32, 5> remotePorts{};
        std::array<std::array<qint16, 4>, 5> ips{};
    };
    Values values() const;
    void uploadBridge();

    ProgramServices &m_services;
    std::array<OctetRow *, 5> m_addressRows{};
    std::array<QLineEdit *, 5> m_remotePortBoxes{};
    QLineEdit *m_localPortBox = nullptr;
    QRadioButton *m_enabledOption = nullptr;
    QRadioButton *m_disabledOption = nullptr;
};

} // namespace qvx
