#pragma once
#include <QMainWindow>
#include <array>

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;

namespace qvx {

class AppContext;

// "Ethernet-Serial Interface Programmer": the settings of the device at a typed address,
// the commands that read and write them, and the owner of the program's timers' handlers.
// Controls are public, named as the protocol documentation names them, so that the reply
// dispatcher can fill them; each control's objectName is its name ("txtIPAddress_2").
class frm01UDPClient : public QMainWindow {
    Q_OBJECT
public:
    explicit frm01UDPClient(AppContext &ctx, QWidget *parent = nullptr);
    ~frm01UDPClient() override;

    // ---- Controls ----
    std::array<QLineEdit *, 6> txtMacAddress{};
    std::array<QLineEdit *, 4> txtIPAddress{};
    std::array<QLineEdit *, 4> txtSubnetMask{};
    std::array<QLineEdit *, 4> txtGateway{};
    std::array<QLineEdit *, 4> txtExpIPAddress{};
    std::array<QLineEdit *, 4> txtTcpServer{};
    QLineEdit *txtUDPLocalPort = nullptr;
    QLineEdit *txtUDPRemotePort = nullptr;
    QLineEdit *txtUARTTimeout = nullptr;
    QComboBox *cmbUARTBaudrate = nullptr;

    QRadioButton *optUARTAutoTout = nullptr;
    QRadioButton *optUARTManualTout = nullptr;
    QRadioButton *Option1 = nullptr; // "7 bit"
    QRadioButton *Option2 = nullptr; // "8 bit"
    QRadioButton *Option3 = nullptr; // "Parity None"
    QRadioButton *Option4 = nullptr; // "Parity Even"
    QRadioButton *Option5 = nullptr; // "Parity Odd"
    QRadioButton *Option6 = nullptr; // "1 bit"
    QRadioButton *Option7 = nullptr; // "2 bit"
    QRadioButton *Option8 = nullptr; // "Enable"
    QRadioButton *Option9 = nullptr; // "Disable"
    std::array<QRadioButton *, 2> optDhcp{};   // [1] "DHCP enabled", [0] "DHCP disabled"
    std::array<QRadioButton *, 2> optProto{};  // [1] "TCP", [0] "UDP"
    std::array<QRadioButton *, 2> optCliSer{}; // [1] "TCP Client", [0] "TCP Server"

    QLabel *lblFirmware = nullptr;
    QLabel *lblLoginStatus = nullptr;

    QPushButton *cmdLogin = nullptr;
    QPushButton *cmdLogout = nullptr;
    QPushButton *cmdCommand_a = nullptr; // "Download Settings"
    QPushButton *cmdCommand_b = nullptr; // "Upload Settings"
    QPushButton *cmdCommand_c = nullptr; // "Set Default Configuration"
    QPushButton *Command1 = nullptr;     // "Change Baudrate On The Fly"
    QPushButton *cmdSource = nullptr;
    QPushButton *cmdBridge = nullptr;
    QPushButton *cmdResetMacAutomatic = nullptr;
    QPushButton *cmdResetMacManual = nullptr;
    QPushButton *cmdDiscovery = nullptr;
    QPushButton *cmdExit = nullptr;

    QMenu *mnuHelp = nullptr;
    QAction *mnuHelpAbout = nullptr;

    // ---- Window fields, kept up to date by the entry boxes' change handling ----
    std::array<qint16, 6> DeviceMac{};
    std::array<qint16, 4> DeviceIp{};
    std::array<qint16, 4> DeviceMask{};
    std::array<qint16, 4> DeviceGateway{};
    qint32 LocalPort = 0, LocalPortHigh = 0, LocalPortLow = 0;
    qint32 RemotePort = 0, RemotePortHigh = 0, RemotePortLow = 0;
    qint32 UartTimeout = 0, UartTimeoutHigh = 0, UartTimeoutLow = 0;
    qint16 BaudRateIndex = 0;
    bool AutoTimeoutMode = false;
    bool ManualTimeoutMode = false;

    // ---- Operations other parts call ----
    void Form_Load();
    void Form_Activate();
    void Fill_UART_BaudRate_Combo(qint16 BaudRateCode);
    void SendLoginCommand();
    void SendNewPassword();
    // Enables or disables cmdCommand_b, cmdSource, cmdBridge, cmdResetMacAutomatic and
    // cmdResetMacManual together.
    void SetWriteButtonsEnabled(bool enabled);

    // Timer handlers.
    void Timer1_Timer();
    void Timer2_Timer();
    void Timer3_Timer();
    void Timer4_Timer();

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    AppContext &m_ctx;
};

} // namespace qvx
