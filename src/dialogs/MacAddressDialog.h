#pragma once
#include "accessibility/ValueLabel.h"

#include <QDialog>
#include <array>

class QLineEdit;

namespace qvx {

class ProgramServices;

// "Set New MAC ADDRESS": the last three bytes of the device's new MAC address come from a
// decimal code (65793..16777215); the first three are fixed at 00-04-A3. Every numeric change
// of the code shows its three bytes; "SET ADDRESS" sends the bytes shown when the write is
// due, or, once the dialog is closed, those shown at the press. Controls are found by
// objectName ("txtCode", "lblMacAddr3".."lblMacAddr5", "Command2" SET ADDRESS, "Command1" EXIT).
class MacAddressDialog : public QDialog {
    Q_OBJECT
public:
    explicit MacAddressDialog(ProgramServices &services, QWidget *parent = nullptr);

private:
    void onCodeEdited();
    void setAddress();
    void warnCode();

    ProgramServices &m_services;
    QLineEdit *m_codeBox = nullptr;
    // 0..2 the fixed bytes 00 04 A3; 3..5 the high, middle and low code byte.
    std::array<ValueLabel *, 6> m_newMacBytes{};
    // The code bytes (high, middle, low) of the last numeric code typed; the design text
    // 65793 is 0x010101.
    std::array<quint8, 3> m_codeBytes{1, 1, 1};
};

} // namespace qvx
