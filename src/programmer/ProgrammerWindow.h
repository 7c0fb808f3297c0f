#pragma once
#include "accessibility/ValueLabel.h"
#include "protocol/FieldRules.h"
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

class ProgramServices;

// "Ethernet-Serial Interface Programmer": the settings of the device at a typed address,
// the commands that read and write them, and the owner of the program's timers' handlers.
// Controls are public, so that the reply dispatcher can fill them. Their objectNames are
// the names the tests and tools look them up by ("txtIPAddress_2", "Option5").
class ProgrammerWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit ProgrammerWindow(ProgramServices &services, QWidget *parent = nullptr);
    ~ProgrammerWindow() override;

    // ---- Controls ----
    std::array<QLineEdit *, 6> macAddressBoxes{};
    std::array<QLineEdit *, 4> ipAddressBoxes{};
    std::array<QLineEdit *, 4> subnetMaskBoxes{};
    std::array<QLineEdit *, 4> gatewayBoxes{};
    std::array<QLineEdit *, 4> expectedAddressBoxes{};
    std::array<QLineEdit *, 4> tcpServerAddressBoxes{};
    QLineEdit *localPortBox = nullptr;
    QLineEdit *remotePortBox = nullptr;
    QLineEdit *uartTimeoutBox = nullptr;
    QComboBox *baudRateList = nullptr;

    QRadioButton *autoUartTimeout = nullptr;
    QRadioButton *manualUartTimeout = nullptr;
    QRadioButton *sevenDataBits = nullptr;
    QRadioButton *eightDataBits = nullptr;
    QRadioButton *noParity = nullptr;
    QRadioButton *evenParity = nullptr;
    QRadioButton *oddParity = nullptr;
    QRadioButton *oneStopBit = nullptr;
    QRadioButton *twoStopBits = nullptr;
    QRadioButton *timeoutToDefaultOn = nullptr;
    QRadioButton *timeoutToDefaultOff = nullptr;
    std::array<QRadioButton *, 2> dhcpButtons{}; // [1] "DHCP enabled", [0] "DHCP disabled"
    std::array<QRadioButton *, 2> protocolButtons{}; // [1] "TCP", [0] "UDP"
    std::array<QRadioButton *, 2> tcpRoleButtons{}; // [1] "TCP Client", [0] "TCP Server"

    ValueLabel *firmwareLabel = nullptr;
    ValueLabel *loginStatusLabel = nullptr;

    QPushButton *loginButton = nullptr;
    QPushButton *logoutButton = nullptr;
    QPushButton *downloadButton = nullptr;
    QPushButton *uploadButton = nullptr;
    QPushButton *setDefaultButton = nullptr;
    QPushButton *baudOnTheFlyButton = nullptr;
    QPushButton *sourceFilterButton = nullptr;
    QPushButton *bridgeButton = nullptr;
    QPushButton *macAutomaticButton = nullptr;
    QPushButton *macManualButton = nullptr;
    QPushButton *discoveryButton = nullptr;
    QPushButton *exitButton = nullptr;

    QMenu *helpMenu = nullptr;
    QAction *aboutAction = nullptr;

    // ---- Captions and frames ----
    QLabel *macAddressCaption = nullptr;
    QLabel *ipAddressCaption = nullptr;
    QLabel *subnetMaskCaption = nullptr;
    QLabel *gatewayCaption = nullptr;
    QLabel *serverAddressCaption = nullptr;
    QLabel *tcpClientNote = nullptr;
    QLabel *localPortCaption = nullptr;
    QLabel *remotePortCaption = nullptr;
    QLabel *baudRateCaption = nullptr;
    QLabel *uartTimeoutCaption = nullptr;
    QLabel *expectedAddressCaption = nullptr;
    QGroupBox *uartTimeoutGroup = nullptr;
    QGroupBox *dataBitsGroup = nullptr;
    QGroupBox *expectedAddressGroup = nullptr;
    QGroupBox *loginGroup = nullptr;
    QGroupBox *parityGroup = nullptr;
    QGroupBox *stopBitsGroup = nullptr;
    QGroupBox *firmwareGroup = nullptr;
    QGroupBox *timeoutToDefaultGroup = nullptr;
    QGroupBox *dhcpGroup = nullptr;
    QGroupBox *protocolGroup = nullptr;
    QGroupBox *tcpRoleGroup = nullptr;

    // ---- Window fields, kept up to date by the entry boxes' change handling ----
    std::array<qint16, 6> deviceMac{};
    std::array<qint16, 4> deviceIp{};
    std::array<qint16, 4> deviceMask{};
    std::array<qint16, 4> deviceGateway{};
    qint32 localPortValue = 0, localPortHigh = 0, localPortLow = 0;
    qint32 remotePortValue = 0, remotePortHigh = 0, remotePortLow = 0;
    qint32 uartTimeoutValue = 0, uartTimeoutHigh = 0, uartTimeoutLow = 0;
    qint16 baudRateIndex = 0;
    bool autoTimeoutMode = false;
    bool manualTimeoutMode = false;

    // ---- Operations other parts call ----
    void initialize();
    void onActivated();
    void fillBaudRateList(qint16 baudCode);
    void sendLogin();
    void sendNewPassword();
    // Enables or disables uploadButton, sourceFilterButton, bridgeButton, macAutomaticButton and
    // macManualButton together.
    void setWriteButtonsEnabled(bool enabled);

    // Timer handlers.
    void onReplyTimeout();
    void pollLogin();
    void repeatDiscovery();

    // Shows `address` as the expected device address and downloads its settings, in front.
    void downloadSettingsOf(quint32 address);

    // ---- What the device replied ----
    // Fills the fields a settings reply covers; `length` data bytes arrived, and a field
    // beyond them keeps what it showed.
    void showSettings(const SettingsBlock &settings, int length);
    // The device took the uploaded settings: requests follow it to the address uploaded.
    void followUploadedAddress();
    void showLoginReply(bool accepted);
    void showPasswordChangeReply(bool accepted);
    void showLoginStatus(bool loggedIn, std::optional<std::pair<quint8, quint8>> loginTime);
    void showLoggedOut();

    // Why the settings now in the window cannot be uploaded (the first field, in upload
    // order, whose value does not fit its byte or word), or nothing when they can.
    std::optional<QString> uploadRefusal() const;
    // The window's fields as "Upload Settings" checks and sends them.
    SettingsUploadFields settingsUploadFields() const;

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
    void downloadSettings();
    void uploadSettings();
    void setDefaultConfiguration();
    void reassignMacAutomatically();
    void openMacAddressDialog();
    void changeBaudRateOnTheFly();
    void openLoginDialog();
    void logout();
    void openDiscoveryWindow();
    void openSourceFilterDialog();
    void openBridgeDialog();
    void onExitClicked();
    void showAbout();
    void selectAutoUartTimeout();
    void selectManualUartTimeout();
    void onBaudRateChosen(int index);

    // Change handlers: keep the window fields in step with the boxes.
    void onExpectedAddressEdited(int index);
    void onIpAddressEdited(int index);
    void onSubnetMaskEdited(int index);
    void onGatewayEdited(int index);
    void onMacAddressEdited(int index);
    void onLocalPortEdited();
    void onRemotePortEdited();
    void onUartTimeoutEdited();

    // Leaving checks.
    void checkOctetOnLeave(OctetFamily family, int index);
    void checkUartTimeoutOnLeave();

    // The upload's data from the window's fields as they are when the write is due, or
    // nothing (after a warning naming the field) when a field does not fit.
    std::optional<QByteArray> settingsUploadBlock();
    quint8 uartFormatByte() const;
    quint8 modeFlagsByte() const;

    ProgramServices &m_services;
    // The device address in the last settings upload built, followed once it is confirmed.
    std::optional<Octets4> m_uploadedAddress;
    // While the baud list is being refilled its selection changes are not selections.
    bool m_fillingBaudList = false;
    // While the focus is put back into a refused box, the box it leaves is not checked.
    bool m_returningFocus = false;
};

} // namespace qvx
