#pragma once
#include "protocol/Layouts.h"

#include <QMainWindow>
#include <array>
#include <optional>

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
// Controls are public and keep their established names, so that the reply
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

    // ---- Captions and frames ----
    QLabel *lblMacAddress = nullptr;       // "Device Mac-Address:"
    QLabel *lblDeviceIPAddress = nullptr;  // "Device IP-Address:"
    QLabel *lblDeviceSubnetMask = nullptr; // "Device Subnet Mask:"
    QLabel *lblDeviceGateway = nullptr;    // "Device Gateway:"
    QLabel *Label1 = nullptr;              // "Server remote IP-Address"
    QLabel *Label2 = nullptr;              // "(for TCP Client mode)"
    QLabel *Label3 = nullptr;              // "Device Local Port Number:"
    QLabel *Label4 = nullptr;              // "Device Remote Port Number:"
    QLabel *Label5 = nullptr;              // "Device UART Baud Rate [bit/second]:"
    QLabel *Label6 = nullptr;              // "Device UART RX Timeout [uSec]:"
    QLabel *Label7 = nullptr;              // "Expected Device IP-Address:"
    QGroupBox *Frame1 = nullptr;           // automatic / manual UART timeout
    QGroupBox *Frame2 = nullptr;           // "Bit di dati"
    QGroupBox *Frame3 = nullptr;           // expected device address
    QGroupBox *Frame4 = nullptr;           // login
    QGroupBox *Frame5 = nullptr;           // "Parità"
    QGroupBox *Frame6 = nullptr;           // "Bit di stop"
    QGroupBox *Frame7 = nullptr;           // "Ver. Firmware"
    QGroupBox *Frame8 = nullptr;           // "Timeout to default serial parameter"
    QGroupBox *fraDhcp = nullptr;          // "DHCP Client"
    QGroupBox *fraProto = nullptr;         // "Protocol"
    QGroupBox *fraCliSer = nullptr;        // "TCP Client/Server"

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

    // Why the settings now in the window cannot be uploaded (the first field, in upload
    // order, whose value does not fit its byte or word), or nothing when they can.
    std::optional<QString> UploadRefusal() const;
    // The four server-address boxes as an address; empty when one of them holds no octet.
    std::optional<Octets4> TcpServerAddress(int *badField = nullptr) const;

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // Entry families with a leaving check.
    enum class OctetFamily { Expected, Ip, Mask, Gateway };

    void buildControls();
    void connectHandlers();

    // Click handlers.
    void cmdCommand_a_Click();
    void cmdCommand_b_Click();
    void cmdCommand_c_Click();
    void cmdResetMacAutomatic_Click();
    void cmdResetMacManual_Click();
    void Command1_Click();
    void cmdLogin_Click();
    void cmdLogout_Click();
    void cmdDiscovery_Click();
    void cmdSource_Click();
    void cmdBridge_Click();
    void cmdExit_Click();
    void mnuHelpAbout_Click();
    void optUARTAutoTout_Click();
    void optUARTManualTout_Click();
    void cmbUARTBaudrate_Click(int index);

    // Change handlers: keep the window fields in step with the boxes.
    void txtExpIPAddress_Change(int index);
    void txtIPAddress_Change(int index);
    void txtSubnetMask_Change(int index);
    void txtGateway_Change(int index);
    void txtMacAddress_Change(int index);
    void txtUDPLocalPort_Change();
    void txtUDPRemotePort_Change();
    void txtUARTTimeout_Change();

    // Leaving checks.
    void OctetBox_LostFocus(OctetFamily family, int index);
    void txtUARTTimeout_LostFocus();

    void StartWriteSequence(quint8 code);
    void SendDeviceSettings();
    quint8 UartFormatByte() const;
    quint8 ModeFlagsByte() const;

    AppContext &m_ctx;
    // While the baud list is being refilled its selection changes are not selections.
    bool m_fillingBaudList = false;
    // While the focus is put back into a refused box, the box it leaves is not checked.
    bool m_returningFocus = false;
};

} // namespace qvx
