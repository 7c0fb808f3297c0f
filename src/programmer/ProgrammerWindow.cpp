#include "programmer/ProgrammerWindow.h"

#include "services/ProgramServices.h"
#include "accessibility/Accessibility.h"
#include "accessibility/OctetRow.h"
#include "accessibility/ValueLabel.h"
#include "dialogs/SourceFilterDialog.h"
#include "dialogs/BridgeDialog.h"
#include "dialogs/MacAddressDialog.h"
#include "discovery/DiscoveryRequest.h"
#include "discovery/DiscoveryWindow.h"
#include "login/LoginDialog.h"
#include "protocol/Commands.h"
#include "protocol/Frame.h"
#include "protocol/FieldRules.h"
#include "protocol/Layouts.h"
#include "protocol/MessageSink.h"
#include "protocol/TextRules.h"
#include "protocol/WriteSequence.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace qvx {

namespace {

// A caption without its trailing colon, for accessible names.
QString withoutColon(const QString &caption)
{
    QString name = caption.trimmed();
    if (name.endsWith(QLatin1Char(':')))
        name.chop(1);
    return name;
}

// The value a MAC address box holds: two hexadecimal digits as the reply shows them; an
// empty box is 0, and a text that is not hexadecimal -1, which the upload refuses.
qint16 macByteValue(const QString &text)
{
    if (text.isEmpty())
        return 0;
    const qint32 value = hexPairToByte(text, text.size() >= 2 ? 2 : 1);
    return value > 255 ? qint16(-1) : qint16(value);
}

// Shows a window, or brings it to the front when it is shown already.
void bringToFront(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

ProgrammerWindow::ProgrammerWindow(ProgramServices &services, QWidget *parent) : QMainWindow(parent), m_services(services)
{
    setObjectName(QStringLiteral("frm01UDPClient"));
    setWindowTitle(QStringLiteral("Ethernet-Serial Interface Programmer"));
    buildControls();
    connectHandlers();
    // The window opens in the device address the user is most likely to type. (The
    // device's own address boxes start empty and would refuse being left.)
    expectedAddressRow->box(0)->setFocus(Qt::OtherFocusReason);
}

ProgrammerWindow::~ProgrammerWindow() = default;

// ---- Construction ----------------------------------------------------------------------

void ProgrammerWindow::buildControls()
{
    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralWidget"));
    setCentralWidget(central);

    const QFont fixedFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const QFontMetrics fixedMetrics(fixedFont);
    // Room for the digits plus the box's frame and margins.
    const int wordWidth = fixedMetrics.horizontalAdvance(QStringLiteral("00000000")) + 14;

    const auto label = [](const QString &name, const QString &caption, QWidget *parent) {
        auto *l = new QLabel(caption, parent);
        l->setObjectName(name);
        return l;
    };
    const auto frame = [](const QString &name, const QString &caption, QWidget *parent) {
        auto *f = new QGroupBox(caption, parent);
        f->setObjectName(name);
        return f;
    };
    const auto entry = [&](const QString &name, const QString &accessibleName, int width, QWidget *parent) {
        auto *e = new QLineEdit(parent);
        e->setObjectName(name);
        e->setAccessibleName(accessibleName);
        e->setFont(fixedFont);
        e->setFixedWidth(width);
        return e;
    };
    const auto octetRow = [](int count, const QString &baseName, const QString &caption, const QString &unit,
                             QWidget *parent) {
        return new OctetRow(count, baseName, caption, unit, OctetRow::Look::Free, parent);
    };
    const auto option = [](const QString &name, const QString &caption, const QString &group, QWidget *parent) {
        auto *o = new QRadioButton(caption, parent);
        o->setObjectName(name);
        o->setAccessibleName(group.isEmpty() ? caption : group + QStringLiteral(": ") + caption);
        return o;
    };
    const auto button = [](const QString &name, const QString &caption, QWidget *parent) {
        auto *b = new QPushButton(caption, parent);
        b->setObjectName(name);
        b->setAutoDefault(false);
        return b;
    };

    // ---- Device identity ----
    auto *identity = frame(QStringLiteral("fraIdentity"), QString(), central);
    auto *identityGrid = new QGridLayout(identity);
    QLabel *macAddressCaption = label(QStringLiteral("lblMacAddress"), QStringLiteral("Device Mac-Address:"), identity);
    macAddressRow = octetRow(6, QStringLiteral("txtMacAddress"), macAddressCaption->text(), QStringLiteral("byte"), identity);
    QLabel *ipAddressCaption = label(QStringLiteral("lblDeviceIPAddress"), QStringLiteral("Device IP-Address:"), identity);
    ipAddressRow = octetRow(4, QStringLiteral("txtIPAddress"), ipAddressCaption->text(), QStringLiteral("octet"), identity);
    QLabel *subnetMaskCaption =
        label(QStringLiteral("lblDeviceSubnetMask"), QStringLiteral("Device Subnet Mask:"), identity);
    subnetMaskRow = octetRow(4, QStringLiteral("txtSubnetMask"), subnetMaskCaption->text(), QStringLiteral("octet"), identity);
    QLabel *gatewayCaption = label(QStringLiteral("lblDeviceGateway"), QStringLiteral("Device Gateway:"), identity);
    gatewayRow = octetRow(4, QStringLiteral("txtGateway"), gatewayCaption->text(), QStringLiteral("octet"), identity);
    QLabel *localPortCaption = label(QStringLiteral("Label3"), QStringLiteral("Device Local Port Number:"), identity);
    localPortBox = entry(QStringLiteral("txtUDPLocalPort"), withoutColon(localPortCaption->text()), wordWidth, identity);
    QLabel *remotePortCaption = label(QStringLiteral("Label4"), QStringLiteral("Device Remote Port Number:"), identity);
    remotePortBox = entry(QStringLiteral("txtUDPRemotePort"), withoutColon(remotePortCaption->text()), wordWidth, identity);

    int row = 0;
    for (auto [caption, entries, first] :
         {std::tuple<QLabel *, QWidget *, QWidget *>{macAddressCaption, macAddressRow, macAddressRow->box(0)},
          {ipAddressCaption, ipAddressRow, ipAddressRow->box(0)},
          {subnetMaskCaption, subnetMaskRow, subnetMaskRow->box(0)},
          {gatewayCaption, gatewayRow, gatewayRow->box(0)},
          {localPortCaption, localPortBox, localPortBox},
          {remotePortCaption, remotePortBox, remotePortBox}}) {
        caption->setBuddy(first);
        identityGrid->addWidget(caption, row, 0);
        identityGrid->addWidget(entries, row, 1, Qt::AlignLeft);
        ++row;
    }
    identityGrid->setColumnStretch(1, 1);
    // The MAC address is shown, never typed.
    macAddressRow->setEnabled(false);

    // ---- Serial port ----
    auto *serial = frame(QStringLiteral("fraSerial"), QString(), central);
    auto *serialLayout = new QVBoxLayout(serial);
    auto *serialGrid = new QGridLayout;
    QLabel *baudRateCaption = label(QStringLiteral("Label5"), QStringLiteral("Device UART Baud Rate [bit/second]:"), serial);
    baudRateList = new QComboBox(serial);
    baudRateList->setObjectName(QStringLiteral("cmbUARTBaudrate"));
    baudRateList->setAccessibleName(withoutColon(baudRateCaption->text()));
    baudRateList->setEditable(false);
    baudRateCaption->setBuddy(baudRateList);
    QLabel *uartTimeoutCaption = label(QStringLiteral("Label6"), QStringLiteral("Device UART RX Timeout [uSec]:"), serial);
    uartTimeoutBox = entry(QStringLiteral("txtUARTTimeout"), withoutColon(uartTimeoutCaption->text()), wordWidth, serial);
    uartTimeoutCaption->setBuddy(uartTimeoutBox);
    serialGrid->addWidget(baudRateCaption, 0, 0);
    serialGrid->addWidget(baudRateList, 0, 1, Qt::AlignLeft);
    serialGrid->addWidget(uartTimeoutCaption, 1, 0);
    serialGrid->addWidget(uartTimeoutBox, 1, 1, Qt::AlignLeft);
    serialGrid->setColumnStretch(1, 1);
    serialLayout->addLayout(serialGrid);

    QGroupBox *uartTimeoutGroup = frame(QStringLiteral("Frame1"), QString(), serial);
    auto *frame1Layout = new QVBoxLayout(uartTimeoutGroup);
    autoUartTimeout = option(QStringLiteral("optUARTAutoTout"), QStringLiteral("Automatic Device UART Timeout Setting"),
                             QString(), uartTimeoutGroup);
    manualUartTimeout = option(QStringLiteral("optUARTManualTout"),
                               QStringLiteral("Manual Device UART Timeout Setting"), QString(), uartTimeoutGroup);
    frame1Layout->addWidget(autoUartTimeout);
    frame1Layout->addWidget(manualUartTimeout);
    serialLayout->addWidget(uartTimeoutGroup);

    const auto optionFrame = [&](QGroupBox *&f, const QString &name, const QString &caption,
                                 std::initializer_list<std::pair<QRadioButton **, std::pair<QString, QString>>> options,
                                 QWidget *parent) {
        f = frame(name, caption, parent);
        auto *layout = new QVBoxLayout(f);
        for (const auto &[member, nameAndCaption] : options) {
            *member = option(nameAndCaption.first, nameAndCaption.second, caption, f);
            layout->addWidget(*member);
        }
        layout->addStretch(1);
    };
    QGroupBox *dataBitsGroup = nullptr, *parityGroup = nullptr, *stopBitsGroup = nullptr, *timeoutToDefaultGroup = nullptr;
    auto *formatRow = new QHBoxLayout;
    optionFrame(dataBitsGroup, QStringLiteral("Frame2"), QStringLiteral("Bit di dati"),
                {{&eightDataBits, {QStringLiteral("Option2"), QStringLiteral("8 bit")}},
                 {&sevenDataBits, {QStringLiteral("Option1"), QStringLiteral("7 bit")}}},
                serial);
    optionFrame(parityGroup, QStringLiteral("Frame5"), QStringLiteral("Parità"),
                {{&noParity, {QStringLiteral("Option3"), QStringLiteral("Parity None")}},
                 {&evenParity, {QStringLiteral("Option4"), QStringLiteral("Parity Even")}},
                 {&oddParity, {QStringLiteral("Option5"), QStringLiteral("Parity Odd")}}},
                serial);
    optionFrame(stopBitsGroup, QStringLiteral("Frame6"), QStringLiteral("Bit di stop"),
                {{&oneStopBit, {QStringLiteral("Option6"), QStringLiteral("1 bit")}},
                 {&twoStopBits, {QStringLiteral("Option7"), QStringLiteral("2 bit")}}},
                serial);
    optionFrame(timeoutToDefaultGroup, QStringLiteral("Frame8"), QStringLiteral("Timeout to default serial parameter"),
                {{&timeoutToDefaultOn, {QStringLiteral("Option8"), QStringLiteral("Enable")}},
                 {&timeoutToDefaultOff, {QStringLiteral("Option9"), QStringLiteral("Disable")}}},
                serial);
    for (QGroupBox *f : {dataBitsGroup, parityGroup, stopBitsGroup, timeoutToDefaultGroup})
        formatRow->addWidget(f);
    serialLayout->addLayout(formatRow);
    eightDataBits->setChecked(true);
    noParity->setChecked(true);
    oneStopBit->setChecked(true);
    timeoutToDefaultOn->setChecked(true);

    auto *leftColumn = new QVBoxLayout;
    leftColumn->addWidget(identity);
    leftColumn->addWidget(serial);
    leftColumn->addStretch(1);

    // ---- Expected address, network mode, firmware, login ----
    QGroupBox *expectedAddressGroup = frame(QStringLiteral("Frame3"), QString(), central);
    auto *frame3Layout = new QVBoxLayout(expectedAddressGroup);
    QLabel *expectedAddressCaption = label(QStringLiteral("Label7"), QStringLiteral("Expected Device IP-Address:"), expectedAddressGroup);
    expectedAddressRow = octetRow(4, QStringLiteral("txtExpIPAddress"), expectedAddressCaption->text(),
                                  QStringLiteral("octet"), expectedAddressGroup);
    expectedAddressCaption->setBuddy(expectedAddressRow->box(0));
    frame3Layout->addWidget(expectedAddressCaption);
    frame3Layout->addWidget(expectedAddressRow);

    const auto indexedOptions = [&](std::array<QRadioButton *, 2> &pair, QGroupBox *&f, const QString &frameName,
                                    const QString &caption, const QString &baseName, const QString &caption1,
                                    const QString &caption0, QWidget *parent) {
        f = frame(frameName, caption, parent);
        auto *layout = new QVBoxLayout(f);
        pair[1] = option(baseName + QStringLiteral("_1"), caption1, caption, f);
        pair[0] = option(baseName + QStringLiteral("_0"), caption0, caption, f);
        layout->addWidget(pair[1]);
        layout->addWidget(pair[0]);
        return layout;
    };
    QGroupBox *dhcpGroup = nullptr, *protocolGroup = nullptr, *tcpRoleGroup = nullptr;
    indexedOptions(dhcpButtons, dhcpGroup, QStringLiteral("fraDhcp"), QStringLiteral("DHCP Client"),
                   QStringLiteral("optDhcp"), QStringLiteral("DHCP enabled"), QStringLiteral("DHCP disabled"),
                   central);
    indexedOptions(protocolButtons, protocolGroup, QStringLiteral("fraProto"), QStringLiteral("Protocol"),
                   QStringLiteral("optProto"), QStringLiteral("TCP"), QStringLiteral("UDP"), central);
    QVBoxLayout *cliSerLayout =
        indexedOptions(tcpRoleButtons, tcpRoleGroup, QStringLiteral("fraCliSer"), QStringLiteral("TCP Client/Server"),
                       QStringLiteral("optCliSer"), QStringLiteral("TCP Client"), QStringLiteral("TCP Server"), central);
    QLabel *serverAddressCaption = label(QStringLiteral("Label1"), QStringLiteral("Server remote IP-Address"), tcpRoleGroup);
    tcpServerAddressRow = octetRow(4, QStringLiteral("txtTcpServer"), QStringLiteral("Server remote IP-Address (for TCP Client mode)"),
                                   QStringLiteral("octet"), tcpRoleGroup);
    serverAddressCaption->setBuddy(tcpServerAddressRow->box(0));
    QLabel *tcpClientNote = label(QStringLiteral("Label2"), QStringLiteral("(for TCP Client mode)"), tcpRoleGroup);
    cliSerLayout->addWidget(serverAddressCaption);
    cliSerLayout->addWidget(tcpServerAddressRow);
    cliSerLayout->addWidget(tcpClientNote);

    auto *modeRow = new QHBoxLayout;
    modeRow->addWidget(dhcpGroup);
    modeRow->addWidget(protocolGroup);

    QGroupBox *firmwareGroup = frame(QStringLiteral("Frame7"), QStringLiteral("Ver. Firmware"), central);
    auto *frame7Layout = new QVBoxLayout(firmwareGroup);
    firmwareLabel = new ValueLabel(QStringLiteral("Firmware version"), firmwareGroup);
    firmwareLabel->setObjectName(QStringLiteral("lblFirmware"));
    firmwareLabel->setMinimumWidth(fixedMetrics.horizontalAdvance(QStringLiteral("00.00")));
    frame7Layout->addWidget(firmwareLabel);

    QGroupBox *loginGroup = frame(QStringLiteral("Frame4"), QString(), central);
    auto *frame4Layout = new QVBoxLayout(loginGroup);
    loginStatusLabel = new ValueLabel(QStringLiteral("Login status"), loginGroup);
    loginStatusLabel->setObjectName(QStringLiteral("lblLoginStatus"));
    loginStatusLabel->setWordWrap(true);
    loginStatusLabel->setMinimumWidth(QFontMetrics(loginStatusLabel->font())
                                        .horizontalAdvance(QStringLiteral("Login done. [Login time 00:00]")));
    loginButton = button(QStringLiteral("cmdLogin"), QStringLiteral("Login"), loginGroup);
    logoutButton = button(QStringLiteral("cmdLogout"), QStringLiteral("Logout"), loginGroup);
    auto *loginButtons = new QHBoxLayout;
    loginButtons->addWidget(loginButton);
    loginButtons->addWidget(logoutButton);
    frame4Layout->addWidget(loginStatusLabel);
    frame4Layout->addLayout(loginButtons);

    auto *middleColumn = new QVBoxLayout;
    middleColumn->addWidget(expectedAddressGroup);
    middleColumn->addLayout(modeRow);
    middleColumn->addWidget(tcpRoleGroup);
    middleColumn->addWidget(firmwareGroup);
    middleColumn->addWidget(loginGroup);
    middleColumn->addStretch(1);

    // ---- Commands ----
    auto *commands = new QVBoxLayout;
    downloadButton = button(QStringLiteral("cmdCommand_a"), QStringLiteral("Download Settings"), central);
    uploadButton = button(QStringLiteral("cmdCommand_b"), QStringLiteral("Upload Settings"), central);
    setDefaultButton = button(QStringLiteral("cmdCommand_c"), QStringLiteral("Set Default Configuration"), central);
    baudOnTheFlyButton = button(QStringLiteral("Command1"), QStringLiteral("Change Baudrate On The Fly"), central);
    sourceFilterButton = button(QStringLiteral("cmdSource"), QStringLiteral("IP Sources filter"), central);
    bridgeButton = button(QStringLiteral("cmdBridge"), QStringLiteral("IP Destinations bridge"), central);
    macAutomaticButton =
        button(QStringLiteral("cmdResetMacAutomatic"), QStringLiteral("Reassign MAC ADDR (automatic)"), central);
    macManualButton =
        button(QStringLiteral("cmdResetMacManual"), QStringLiteral("Reassign MAC ADDR (manual)"), central);
    discoveryButton = button(QStringLiteral("cmdDiscovery"), QStringLiteral("Devices Discovery"), central);
    exitButton = button(QStringLiteral("cmdExit"), QStringLiteral("Exit"), central);
    for (QPushButton *b : {downloadButton, uploadButton, setDefaultButton, baudOnTheFlyButton, sourceFilterButton, bridgeButton,
                           macAutomaticButton, macManualButton, discoveryButton})
        commands->addWidget(b);
    commands->addStretch(1);
    commands->addWidget(exitButton);

    auto *columns = new QHBoxLayout(central);
    columns->addLayout(leftColumn);
    columns->addLayout(middleColumn);
    columns->addLayout(commands);

    // ---- Menu ----
    QMenu *helpMenu = menuBar()->addMenu(QStringLiteral("&?"));
    helpMenu->setObjectName(QStringLiteral("mnuHelp"));
    aboutAction = helpMenu->addAction(QStringLiteral("&Informazioni su"));
    aboutAction->setObjectName(QStringLiteral("mnuHelpAbout"));

    // Tab follows the columns as they read, each from top to bottom: the device's identity and
    // serial port, then the expected address, network mode and login, then the commands.
    QList<QWidget *> order;
    const auto add = [&order](const OctetRow *row) {
        for (QLineEdit *box : row->boxes())
            order << box;
    };
    add(macAddressRow);
    add(ipAddressRow);
    add(subnetMaskRow);
    add(gatewayRow);
    order << localPortBox << remotePortBox << baudRateList << uartTimeoutBox << autoUartTimeout << manualUartTimeout
          << eightDataBits << sevenDataBits << noParity << evenParity << oddParity << oneStopBit << twoStopBits
          << timeoutToDefaultOn << timeoutToDefaultOff;
    add(expectedAddressRow);
    order << dhcpButtons[1] << dhcpButtons[0] << protocolButtons[1] << protocolButtons[0] << tcpRoleButtons[1]
          << tcpRoleButtons[0];
    add(tcpServerAddressRow);
    order << loginButton << logoutButton << downloadButton << uploadButton << setDefaultButton << baudOnTheFlyButton
          << sourceFilterButton << bridgeButton << macAutomaticButton << macManualButton << discoveryButton << exitButton;
    chainTabOrder(order);
    pressFocusedButtonsWithEnter(this);

    // The baud list starts with its items and nothing selected.
    m_fillingBaudList = true;
    for (int rate : kBaudRates)
        baudRateList->addItem(QString::number(rate));
    baudRateList->setCurrentIndex(-1);
    m_fillingBaudList = false;
}

void ProgrammerWindow::connectHandlers()
{
    connect(downloadButton, &QPushButton::clicked, this, &ProgrammerWindow::downloadSettings);
    connect(uploadButton, &QPushButton::clicked, this, &ProgrammerWindow::uploadSettings);
    connect(setDefaultButton, &QPushButton::clicked, this, &ProgrammerWindow::setDefaultConfiguration);
    connect(macAutomaticButton, &QPushButton::clicked, this, &ProgrammerWindow::reassignMacAutomatically);
    connect(macManualButton, &QPushButton::clicked, this, [this] { bringToFront(m_services.macAddress()); });
    connect(baudOnTheFlyButton, &QPushButton::clicked, this, &ProgrammerWindow::changeBaudRateOnTheFly);
    connect(loginButton, &QPushButton::clicked, this, [this] { bringToFront(m_services.login()); });
    connect(logoutButton, &QPushButton::clicked, this, &ProgrammerWindow::logout);
    connect(discoveryButton, &QPushButton::clicked, this, [this] { bringToFront(m_services.discovery()); });
    connect(sourceFilterButton, &QPushButton::clicked, this, &ProgrammerWindow::openSourceFilterDialog);
    connect(bridgeButton, &QPushButton::clicked, this, &ProgrammerWindow::openBridgeDialog);
    connect(exitButton, &QPushButton::clicked, this, [this] { m_services.exitProgram(); });
    connect(aboutAction, &QAction::triggered, this, [this] { m_services.showAbout(); });

    // Choosing an option, by a click or by the program, runs its action.
    connect(autoUartTimeout, &QRadioButton::toggled, this, &ProgrammerWindow::onUartTimeoutModeChosen);
    connect(manualUartTimeout, &QRadioButton::toggled, this, &ProgrammerWindow::onUartTimeoutModeChosen);

    // A selection by the program or by the user; the user picking the item already shown
    // selects it again (in automatic mode this re-applies its timeout).
    connect(baudRateList, &QComboBox::currentIndexChanged, this, &ProgrammerWindow::onBaudRateChosen);
    connect(baudRateList, &QComboBox::activated, this, &ProgrammerWindow::onBaudRateChosen);

    for (int i = 0; i < 4; ++i) {
        // The next request to the device goes to the address now shown.
        connect(expectedAddressRow->box(i), &QLineEdit::textChanged, this, [this, i](const QString &text) {
            m_services.state().deviceAddress[i] = octetFieldValue(text);
        });
        for (const CheckedOctets &checked : checkedOctetRows())
            checked.row->box(i)->installEventFilter(this);
    }
    uartTimeoutBox->installEventFilter(this);
}

// ---- Load, activation, closing ---------------------------------------------------------

void ProgrammerWindow::initialize()
{
    ProgramState &state = m_services.state();
    state.deviceAddress = {192, 168, 0, 1};
    // Each box's change handling stores its octet and aims the endpoint at the address.
    for (int i = 0; i < 4; ++i)
        expectedAddressRow->box(i)->setText(QString::number(state.deviceAddress[i]));

    autoUartTimeout->setChecked(true);
    manualUartTimeout->setChecked(false);

    setWriteButtonsEnabled(false);
    // Logged out from the start, not only from the first activation: a window that is
    // never activated (started hidden, or kept in the background by the desktop) must not
    // poll a device it has not logged in to.
    m_services.loginPollTimer().setEnabled(false);
    logoutButton->setEnabled(false);
}

void ProgrammerWindow::onActivated()
{
    sendPendingLoginRequest();
    if (!m_services.state().loggedIn) {
        m_services.loginPollTimer().setEnabled(false);
        logoutButton->setEnabled(false);
    }
}

bool ProgrammerWindow::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate)
        onActivated();
    return QMainWindow::event(event);
}

void ProgrammerWindow::closeEvent(QCloseEvent *event)
{
    // Closing the main window ends the program, as "Exit" does.
    event->accept();
    m_services.exitProgram();
}

void ProgrammerWindow::setWriteButtonsEnabled(bool enabled)
{
    for (QPushButton *b : {uploadButton, sourceFilterButton, bridgeButton, macAutomaticButton, macManualButton})
        b->setEnabled(enabled);
}

// ---- Buttons and menu ------------------------------------------------------------------

void ProgrammerWindow::downloadSettings()
{
    Link &link = m_services.link();
    link.sendCommand(CmdLoginStatus);
    link.sendToDevice(CmdDownloadSettings, simpleCommandData(), kReplyTimeoutMs);
}

void ProgrammerWindow::uploadSettings()
{
    // Refuse before the logout leaves: a value that does not fit its byte is never sent.
    const Checked<SettingsUploadBlock> checked = checkSettingsUpload(settingsUploadFields());
    if (!checked.ok()) {
        m_services.messages().show(checked.refusal, kRefusedWriteTitle, MessageIcon::Exclamation);
        return;
    }
    m_services.writeSequence().start(CmdUploadSettings, [this] { return settingsUploadBlock(); }, kDeferredWriteMs);
}

void ProgrammerWindow::setDefaultConfiguration()
{
    m_services.writeSequence().start(CmdSetDefault, [] { return simpleCommandData(); }, kDeferredWriteMs,
                                     QStringLiteral("Errore  "));
}

void ProgrammerWindow::reassignMacAutomatically()
{
    m_services.writeSequence().start(CmdMacAutomatic, [] { return simpleCommandData(); }, kDeferredWriteMs,
                                     QStringLiteral("Errore  "));
}

void ProgrammerWindow::changeBaudRateOnTheFly()
{
    UartQuickBlock block;
    // Only ever a list index, 0..8.
    block.baudCode = static_cast<quint8>(std::clamp<int>(m_baudIndex, 0, 255));
    block.format = uartFormatByte();
    // No reply is awaited for a baud change on the fly.
    m_services.link().sendToDevice(CmdBaudOnTheFly, encodeUartQuickBlock(block), 0);
}

void ProgrammerWindow::logout()
{
    m_services.link().sendCommand(CmdLogout);
}

void ProgrammerWindow::openSourceFilterDialog()
{
    m_services.link().sendCommand(CmdDownloadSource);
    bringToFront(m_services.source());
}

void ProgrammerWindow::openBridgeDialog()
{
    m_services.link().sendCommand(CmdDownloadBridge);
    bringToFront(m_services.bridge());
}

void ProgrammerWindow::onUartTimeoutModeChosen()
{
    // Typed only in manual mode; in automatic mode the baud rate chooses it.
    uartTimeoutBox->setEnabled(manualUartTimeout->isChecked());
}

// ---- Senders ---------------------------------------------------------------------------

quint8 ProgrammerWindow::uartFormatByte() const
{
    UartFormat format;
    format.sevenDataBits = sevenDataBits->isChecked();
    format.parity = evenParity->isChecked() ? Parity::Even : oddParity->isChecked() ? Parity::Odd : Parity::None;
    format.twoStopBits = twoStopBits->isChecked();
    return encodeUartFormat(format);
}

quint8 ProgrammerWindow::modeFlagsByte() const
{
    ModeFlags flags;
    flags.tcpClient = tcpRoleButtons[1]->isChecked();
    flags.tcp = protocolButtons[1]->isChecked();
    flags.dhcp = dhcpButtons[1]->isChecked();
    return encodeModeFlags(flags);
}

SettingsUploadFields ProgrammerWindow::settingsUploadFields() const
{
    SettingsUploadFields f;
    for (std::size_t i = 0; i < 6; ++i)
        f.mac[i] = macByteValue(macAddressRow->box(i)->text());
    for (std::size_t i = 0; i < 4; ++i) {
        f.ip[i] = octetFieldValue(ipAddressRow->box(i)->text());
        f.mask[i] = octetFieldValue(subnetMaskRow->box(i)->text());
        f.gateway[i] = octetFieldValue(gatewayRow->box(i)->text());
    }
    f.localPort = wordFieldValue(localPortBox->text());
    f.remotePort = wordFieldValue(remotePortBox->text());
    f.uartTimeout = wordFieldValue(uartTimeoutBox->text());
    f.baudIndex = m_baudIndex;
    f.format = decodeUartFormat(uartFormatByte());
    f.timeoutToDefault = timeoutToDefaultOn->isChecked();
    f.mode = decodeModeFlags(modeFlagsByte());
    for (std::size_t i = 0; i < 4; ++i)
        f.tcpServer[i] = tcpServerAddressRow->box(i)->text();
    return f;
}

std::optional<QByteArray> ProgrammerWindow::settingsUploadBlock()
{
    // The fields may have changed since the click: check them again.
    const Checked<SettingsUploadBlock> block = checkSettingsUpload(settingsUploadFields());
    if (!block.ok()) {
        m_services.messages().show(block.refusal, kRefusedWriteTitle, MessageIcon::Exclamation);
        return std::nullopt;
    }
    // After the device confirms, requests follow it to the address it was just given.
    m_uploadedAddress = block.value->ip;
    return encodeSettingsUploadBlock(*block.value);
}

void ProgrammerWindow::sendLogin(const QString &password)
{
    sendWhenActive(CmdLogin, passwordBytes(password));
}

void ProgrammerWindow::sendPasswordChange(const QString &oldPassword, const QString &newPassword)
{
    sendWhenActive(CmdSetPassword, passwordBytes(oldPassword) + passwordBytes(newPassword));
}

void ProgrammerWindow::sendWhenActive(quint8 command, const QByteArray &data)
{
    m_pendingLoginRequest = LoginRequest{command, data};
    if (isVisible()) {
        raise();
        activateWindow();
    }
    QTimer::singleShot(0, this, &ProgrammerWindow::sendPendingLoginRequest);
}

void ProgrammerWindow::sendPendingLoginRequest()
{
    if (const std::optional<LoginRequest> request = std::exchange(m_pendingLoginRequest, std::nullopt))
        m_services.link().sendToDevice(request->command, request->data, kReplyTimeoutMs);
}

// ---- Timers ----------------------------------------------------------------------------

void ProgrammerWindow::onReplyTimeout()
{
    ProgramState &state = m_services.state();
    // The timer is single-shot; run by hand (the fuzz target, the discovery tests) the wait
    // ends all the same.
    m_services.replyTimer().setEnabled(false);
    if (state.discoveryPending) {
        m_services.discovery()->showNoDeviceFound();
    } else if (state.commandPending && !state.silenceReported) {
        // A device that falls silent while the login is polled is reported once.
        state.silenceReported = true;
        m_services.messages().show(QStringLiteral("The command has not been executed or not completely succeded"),
                              QStringLiteral("Attention!"), MessageIcon::Critical);
    }
}

void ProgrammerWindow::pollLogin()
{
    m_services.loginPollTimer().setInterval(kLoginPollMs);
    m_services.link().sendCommand(CmdLoginStatus);
}

void ProgrammerWindow::repeatDiscovery()
{
    m_services.rediscoveryTimer().setEnabled(false); // as onReplyTimeout
    DiscoveryWindow *discovery = m_services.discoveryIfLoaded();
    if (discovery && discovery->isVisible())
        sendDiscoveryRequest(m_services, DiscoveryCards::SameAsBefore);
}

void ProgrammerWindow::downloadSettingsOf(quint32 address)
{
    // Each box's change handling stores its octet as the device address.
    for (int i = 0; i < 4; ++i)
        expectedAddressRow->box(i)->setText(QString::number((address >> (24 - 8 * i)) & 0xFF));
    downloadSettings();
    raise();
    activateWindow();
}

// ---- Replies ---------------------------------------------------------------------------

void ProgrammerWindow::showSettings(const SettingsBlock &s, int length)
{
    using namespace SettingsOffset;
    // A short reply leaves every field beyond its data as it was.
    const auto covers = [length](int offset, int width) { return length >= offset + width; };
    for (int i = 0; i < 6; ++i)
        if (covers(Mac + i, 1))
            macAddressRow->box(i)->setText(macByteText(s.mac[i]));
    const auto showAddress = [&](const OctetRow *row, int offset, const Octets4 &octets) {
        for (int i = 0; i < 4; ++i)
            if (covers(offset + i, 1))
                row->box(i)->setText(octetText(octets[i]));
    };
    showAddress(ipAddressRow, Ip, s.ip);
    showAddress(subnetMaskRow, Mask, s.mask);
    showAddress(gatewayRow, Gateway, s.gateway);
    if (covers(LocalPort, 2))
        localPortBox->setText(QString::number(s.localPort));
    if (covers(RemotePort, 2))
        remotePortBox->setText(QString::number(s.remotePort));
    if (covers(Baud, 1))
        fillBaudRateList(s.baudCode);
    if (covers(UartTimeout, 2))
        uartTimeoutBox->setText(QString::number(s.uartTimeout));
    if (covers(Firmware, 1))
        firmwareLabel->setText(firmwareText(s.firmware));
    if (covers(Format, 1)) {
        const UartFormat f = decodeUartFormat(s.format);
        (f.sevenDataBits ? sevenDataBits : eightDataBits)->setChecked(true);
        (f.parity == Parity::Even ? evenParity : f.parity == Parity::Odd ? oddParity : noParity)->setChecked(true);
        (f.twoStopBits ? twoStopBits : oneStopBit)->setChecked(true);
    }
    if (covers(TimeoutToDefault, 1))
        (s.timeoutToDefault == 0 ? timeoutToDefaultOff : timeoutToDefaultOn)->setChecked(true);
    if (length > ShortLength) {
        const ModeFlags m = decodeModeFlags(s.mode);
        tcpRoleButtons[m.tcpClient ? 1 : 0]->setChecked(true);
        protocolButtons[m.tcp ? 1 : 0]->setChecked(true);
        dhcpButtons[m.dhcp ? 1 : 0]->setChecked(true);
        showAddress(tcpServerAddressRow, TcpServer, s.tcpServer);
    }
    setWriteButtonsEnabled(m_services.state().loggedIn);
}

void ProgrammerWindow::followUploadedAddress()
{
    // The address that went out in the upload, whatever the boxes show by now.
    if (!m_uploadedAddress)
        return;
    ProgramState &state = m_services.state();
    for (int i = 0; i < 4; ++i) {
        state.deviceAddress[i] = (*m_uploadedAddress)[i];
        expectedAddressRow->box(i)->setText(QString::number(state.deviceAddress[i]));
    }
}

void ProgrammerWindow::showLoginReply(bool accepted)
{
    loginStatusLabel->setText(accepted ? QStringLiteral("Login done") : QStringLiteral("Login to be done"));
    logoutButton->setEnabled(accepted);
    m_services.loginPollTimer().setEnabled(accepted);
}

void ProgrammerWindow::showPasswordChangeReply(bool accepted)
{
    const QString title = QStringLiteral("Password setting operation");
    if (accepted) {
        loginStatusLabel->setText(QStringLiteral("New password set"));
        // Logged in without a poll would leave the write buttons off while the login
        // dialog offers only the password change: poll, and the status reply settles it.
        m_services.loginPollTimer().setEnabled(true);
        m_services.messages().show(QStringLiteral("New password successfully set!"), title, MessageIcon::Information);
    } else {
        loginStatusLabel->setText(QStringLiteral("New password not set"));
        m_services.messages().show(QStringLiteral("New password setting aborted! Wrong old password typed"), title,
                                   MessageIcon::Information);
    }
}

void ProgrammerWindow::showLoginStatus(bool loggedIn, std::optional<std::pair<quint8, quint8>> loginTime)
{
    logoutButton->setEnabled(loggedIn);
    setWriteButtonsEnabled(loggedIn);
    QString caption = loggedIn ? QStringLiteral("Login done") : QStringLiteral("Login to be done");
    if (loggedIn && loginTime) {
        const auto twoDigits = [](quint8 value) { return QString::number(value).rightJustified(2, QLatin1Char('0')); };
        caption += QStringLiteral(". [Login time ") + twoDigits(loginTime->first) + QLatin1Char(':') +
                   twoDigits(loginTime->second) + QLatin1Char(']');
    }
    loginStatusLabel->setText(caption);
    m_services.loginPollTimer().setEnabled(loggedIn);
}

void ProgrammerWindow::showLoggedOut()
{
    logoutButton->setEnabled(false);
    loginStatusLabel->setText(QStringLiteral("Login to be done"));
}

// ---- Baud rate list --------------------------------------------------------------------

void ProgrammerWindow::onBaudRateChosen(int index)
{
    if (m_fillingBaudList || index < 0)
        return;
    m_baudIndex = static_cast<qint16>(index);
    if (!autoUartTimeout->isChecked())
        return;
    uartTimeoutBox->setEnabled(true);
    if (index < int(kAutoUartTimeouts.size()))
        uartTimeoutBox->setText(QString::number(kAutoUartTimeouts[index]));
    uartTimeoutBox->setEnabled(false);
}

void ProgrammerWindow::fillBaudRateList(qint16 baudCode)
{
    // Emptying and refilling the list changes its selection on the way; only the final
    // selection counts.
    m_fillingBaudList = true;
    baudRateList->clear();
    for (int rate : kBaudRates)
        baudRateList->addItem(QString::number(rate));
    baudRateList->setCurrentIndex(-1);
    m_fillingBaudList = false;
    if (baudCode >= 0 && baudCode < baudRateList->count())
        baudRateList->setCurrentIndex(baudCode);
}

// ---- Entry: leaving checks -------------------------------------------------------------

bool ProgrammerWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::FocusOut || m_returningFocus)
        return QMainWindow::eventFilter(watched, event);

    // Only a move to another control of this window is a leaving: not the window losing
    // activation, nor a message box or popup taking the focus.
    switch (static_cast<QFocusEvent *>(event)->reason()) {
    case Qt::TabFocusReason:
    case Qt::BacktabFocusReason:
    case Qt::MouseFocusReason:
    case Qt::ShortcutFocusReason:
    case Qt::OtherFocusReason:
        break;
    default:
        return QMainWindow::eventFilter(watched, event);
    }
    if (!isActiveWindow())
        return QMainWindow::eventFilter(watched, event);

    if (watched == uartTimeoutBox) {
        checkUartTimeoutOnLeave();
    } else {
        for (const CheckedOctets &checked : checkedOctetRows())
            if (const int index = checked.row->indexOf(watched); index >= 0)
                checkOctetOnLeave(checked.row->box(index), checked.fieldName, index);
    }
    return QMainWindow::eventFilter(watched, event);
}

QList<ProgrammerWindow::CheckedOctets> ProgrammerWindow::checkedOctetRows() const
{
    return {{expectedAddressRow, QStringLiteral("IP-Address")},
            {ipAddressRow, QStringLiteral("IP-Address")},
            {subnetMaskRow, QStringLiteral("Subnet Mask")},
            {gatewayRow, QStringLiteral("Gateway")}};
}

void ProgrammerWindow::checkOctetOnLeave(QLineEdit *box, const QString &fieldName, int index)
{
    // Refused: an empty box, any negative value (-0.4 too), or a value whose stored,
    // rounded octet is above 255 (255.4 stores 255 and passes, 255.6 does not).
    if (octetEntryAccepted(box->text()))
        return;

    m_services.messages().show(octetOutOfRangeText(fieldName, index), kOutOfRangeTitle, MessageIcon::Exclamation);
    box->setText(QString());
    // Putting the focus back takes it from the box the user moved to; that box is not
    // being left by the user, so its own check must not run (two empty boxes would
    // otherwise send the focus and their messages back and forth).
    m_returningFocus = true;
    box->setFocus(Qt::OtherFocusReason);
    m_returningFocus = false;
}

void ProgrammerWindow::checkUartTimeoutOnLeave()
{
    if (uartTimeoutEntryAccepted(uartTimeoutBox->text()))
        return;
    m_services.messages().show(uartTimeoutOutOfRangeText(), kOutOfRangeTitle, MessageIcon::Exclamation);
    uartTimeoutBox->setText(QString());
}

} // namespace qvx
