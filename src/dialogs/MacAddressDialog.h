#pragma once
#include "accessibility/ValueLabel.h"

#include <QDialog>
#include <array>

class QLabel;
class QLineEdit;
class QPushButton;

namespace qvx {

class ProgramServices;

// "Set New MAC ADDRESS": the last three bytes of the device's new MAC address come from a
// decimal code (65793..16777215); the first three are fixed at 00-04-A3. Every numeric change
// of the code stores its three bytes in the program-wide macCodeBytes and shows them.
class MacAddressDialog : public QDialog {
    Q_OBJECT
public:
    explicit MacAddressDialog(ProgramServices &services, QWidget *parent = nullptr);

    // ---- Controls ----
    QLabel *codeCaption = nullptr;
    QLineEdit *codeBox = nullptr;
    QLabel *newMacCaption = nullptr;
    // 0..2 the fixed bytes 00 04 A3; 3..5 the high, middle and low code byte.
    std::array<ValueLabel *, 6> newMacBytes{};
    QPushButton *setAddressButton = nullptr;
    QPushButton *exitButton = nullptr;

    // ---- Handlers ----
    void initialize();
    void onCodeEdited();
    void setAddress();
    void onExitClicked();

private:
    void warnCode();

    ProgramServices &m_services;
};

} // namespace qvx
