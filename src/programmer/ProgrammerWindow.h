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

class OctetRow;
class ProgramServices;

// "Ethernet-Serial Interface Programmer": the settings of the device at a typed address,
// the commands that read and write them, and the owner of the program's timers' handlers.
// Its controls are its own: tests find them by objectName ("txtIPAddress_2", "Option5") and
// drive the window through its public slots.
class ProgrammerWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit ProgrammerWindow(ProgramServices &services, QWidget *parent = nullptr);
    ~ProgrammerWindow() override;

    // Aims at the default device, logged out, with the automatic UART timeout.
    void initialize();

    // ---- What the login dialog asked for ----
    // Sent when this window is active again (its activation first stops the poll of a
    // device not logged in, then sends), or on the next pass of the event loop when no
    // activation comes: some window managers never hand it back, and a hidden window is
    // never activated. Either way the frame leaves once.
    // 100 with the password's twelve bytes.
    void sendLogin(const QString &password);
    // 101 with the old password's twelve bytes, then the new one's.
    void sendPasswordChange(const QString &oldPassword, const QString &newPassword);

    // ---- Timer handlers ----
    void onReplyTimeout();
    void pollLogin();
    void repeatDiscovery();

    // Shows `address` as the expected device address and downloads its settings, in front.
    void downloadSettingsOf(quint32 address);

    // ---- What the device replied ----
    // Fills the fields a settings reply covers; `length` data bytes arrived, and a field
    // beyond them keeps what it showed.
    void showSettings(const SettingsBlock &settings, int length);
    // The device took the uploaded settings: requests follow it to the address in the
    // upload that was sent, whatever the boxes show by now.
    void followUploadedAddress();
    void showLoginReply(bool accepted);
    void showPasswordChangeReply(bool accepted);
    void showLoginStatus(bool loggedIn, std::optional<std::pair<quint8, quint8>> loginTime);
    void showLoggedOut();

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // Entry families with a leaving check.
    // The rows whose octets are checked when the user leaves a box, with the field name the
    // refusal gives.
    struct CheckedOctets {
        OctetRow *row;
        QString fieldName;
    };
    QList<CheckedOctets> checkedOctetRows() const;

    void buildControls();
    void connectHandlers();
    void onActivated();
    void sendWhenActive(quint8 command, const QByteArray &data);
    void sendPendingLoginRequest();
    void fillBaudRateList(qint16 baudCode);
    // Enables or disables uploadButton, sourceFilterButton, bridgeButton, macAutomaticButton and
    // macManualButton together.
    void setWriteButtonsEnabled(bool enabled);

    // Click handlers.
    void downloadSettings();
    void uploadSettings();
    void setDefaultConfiguration();
    void reassignMacAutomatically();
    void changeBaudRateOnTheFly();
    void logout();
    void openSourceFilterDialog();
    void openBridgeDialog();
    void onBaudRateChosen(int index);
    void onUartTimeoutModeChosen();

    // Leaving checks.
    void checkOctetOnLeave(QLineEdit *box, const QString &fieldName, int index);
    void checkUartTimeoutOnLeave();

    // The window's fields as "Upload Settings" checks and sends them, read from the boxes.
    SettingsUploadFields settingsUploadFields() const;
    // The upload's data from the window's fields as they are when the write is due, or
    // nothing (after a warning naming the field) when a field does not fit.
    std::optional<QByteArray> settingsUploadBlock();
    quint8 uartFormatByte() const;
    quint8 modeFlagsByte() const;

    ProgramServices &m_services;
    // The login or password change waiting for the window's activation.
    struct LoginRequest {
        quint8 command = 0;
        QByteArray data;
    };
    std::optional<LoginRequest> m_pendingLoginRequest;
    // The device address in the last settings upload built, followed once it is confirmed.
    std::optional<Octets4> m_uploadedAddress;
    // The baud rate last chosen in the list; a refill with an unknown code keeps it.
    qint16 m_baudIndex = 0;
    // While the baud list is being refilled its selection changes are not selections.
    bool m_fillingBaudList = false;
    // While the focus is put back into a refused box, the box it leaves is not checked.
    bool m_returningFocus = false;

    // ---- Controls ----
    OctetRow *macAddressRow = nullptr; // 6 bytes, shown, never typed
    OctetRow *ipAddressRow = nullptr;
    OctetRow *subnetMaskRow = nullptr;
    OctetRow *gatewayRow = nullptr;
    OctetRow *expectedAddressRow = nullptr;
    OctetRow *tcpServerAddressRow = nullptr;
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
    QAction *aboutAction = nullptr;
};

} // namespace qvx
