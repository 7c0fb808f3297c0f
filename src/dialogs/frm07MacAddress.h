#pragma once
#include <QDialog>
#include <array>

class QLabel;
class QLineEdit;
class QPushButton;

namespace qvx {

class AppContext;

// "Set New MAC ADDRESS": the last three bytes of the device's new MAC address come from a
// decimal code (65793..16777215); the first three are fixed at 00-04-A3. Every numeric change
// of the code stores its three bytes in the program-wide MacCode and shows them.
class frm07MacAddress : public QDialog {
    Q_OBJECT
public:
    explicit frm07MacAddress(AppContext &ctx, QWidget *parent = nullptr);

    // Lowest and highest code that "SET ADDRESS" accepts (0x010101 and 0xFFFFFF).
    static constexpr qint32 kLowestCode = 65793;
    static constexpr qint32 kHighestCode = 16777215;

    // ---- Controls ----
    QLabel *lblCode = nullptr;
    QLineEdit *txtCode = nullptr;
    QLabel *lblMacAddress = nullptr;
    // 0..2 the fixed bytes 00 04 A3; 3..5 the high, middle and low code byte.
    std::array<QLabel *, 6> lblMacAddr{};
    QPushButton *Command2 = nullptr; // "SET ADDRESS"
    QPushButton *Command1 = nullptr; // "EXIT"

    // ---- Handlers ----
    void Form_Load();
    void txtCode_Change();
    void Command2_Click();
    void Command1_Click();

private:
    void warnCode();

    AppContext &m_ctx;
};

} // namespace qvx
