#include "programmer/frm01UDPClient.h"

#include "app/AppContext.h"
#include "dialogs/WriteSenders.h"
#include "dialogs/frm05Source.h"
#include "dialogs/frm06Bridge.h"
#include "dialogs/frm07MacAddress.h"
#include "discovery/DiscoveryRequest.h"
#include "discovery/frm03Discovery.h"
#include "login/frm02Login.h"
#include "protocol/Commands.h"
#include "protocol/Frame.h"
#include "protocol/Layouts.h"
#include "protocol/MessageSink.h"
#include "protocol/TextRules.h"

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
#include <QVBoxLayout>

#include <algorithm>

namespace qvx {

namespace {

const QString kOutOfRangeTitle = QStringLiteral("Attention! - Value out of range");
const QString kUploadRefusedTitle = QStringLiteral("Message Warning");

QString octetOutOfRangeText(const QString &fieldName, int index)
{
    return QStringLiteral("The value selected for %1 field #%2 is out of range. "
                          "Values allowed are in the interval [0-255]")
        .arg(fieldName)
        .arg(index);
}

// A caption without its trailing colon, for accessible names.
QString withoutColon(const QString &caption)
{
    QString name = caption.trimmed();
    if (name.endsWith(QLatin1Char(':')))
        name.chop(1);
    return name;
}

// Splits a word field into its bytes: high = floor(value / 256), low = value - 256 * high,
// so that low is always 0..255, also for negative values. Done in 64 bits: no overflow.
void splitWord(qint32 value, qint32 &high, qint32 &low)
{
    const qint64 v = value;
    const qint64 h = v >= 0 ? v / 256 : -((-v + 255) / 256);
    high = static_cast<qint32>(h);
    low = static_cast<qint32>(v - 256 * h);
}

bool isOctet(qint32 value)
{
    return value >= 0 && value <= 255;
}

bool isWord(qint32 value)
{
    return value >= 0 && value <= 65535;
}

// The byte a character code is sent as; a character with no one-byte code goes as "?".
char passwordByte(quint16 code)
{
    return code <= 0xFF ? static_cast<char>(code) : '?';
}

} // namespace

frm01UDPClient::frm01UDPClient(AppContext &ctx, QWidget *parent) : QMainWindow(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("frm01UDPClient"));
    setWindowTitle(QStringLiteral("Ethernet-Serial Interface Programmer"));
    buildControls();
    connectHandlers();
    // The window opens in the device address the user is most likely to type. (The
    // device's own address boxes start empty and would refuse being left.)
    txtExpIPAddress[0]->setFocus(Qt::OtherFocusReason);
}

frm01UDPClient::~frm01UDPClient() = default;

// ---- Construction ----------------------------------------------------------------------

void frm01UDPClient::buildControls()
{
    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralWidget"));
    setCentralWidget(central);

    const QFont fixedFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const QFontMetrics fixedMetrics(fixedFont);
    // Room for the digits plus the box's frame and margins.
    const int octetWidth = fixedMetrics.horizontalAdvance(QStringLiteral("00000")) + 14;
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
    const auto octetBoxes = [&](auto &boxes, const QString &baseName, const QString &caption, const QString &unit,
                                QWidget *parent) {
        const int count = int(boxes.size());
        for (int i = 0; i < count; ++i)
            boxes[i] = entry(QStringLiteral("%1_%2").arg(baseName).arg(i),
                             QStringLiteral("%1: %2 %3 of %4").arg(withoutColon(caption), unit).arg(i + 1).arg(count),
                             octetWidth, parent);
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
    const auto boxRow = [](auto &boxes) {
        auto *row = new QHBoxLayout;
        row->setSpacing(4);
        for (QLineEdit *box : boxes)
            row->addWidget(box);
        row->addStretch(1);
        return row;
    };

    // ---- Device identity ----
    auto *identity = frame(QStringLiteral("fraIdentity"), QString(), central);
    auto *identityGrid = new QGridLayout(identity);
    lblMacAddress = label(QStringLiteral("lblMacAddress"), QStringLiteral("Device Mac-Address:"), identity);
    octetBoxes(txtMacAddress, QStringLiteral("txtMacAddress"), lblMacAddress->text(), QStringLiteral("byte"), identity);
    lblDeviceIPAddress = label(QStringLiteral("lblDeviceIPAddress"), QStringLiteral("Device IP-Address:"), identity);
    octetBoxes(txtIPAddress, QStringLiteral("txtIPAddress"), lblDeviceIPAddress->text(), QStringLiteral("octet"),
               identity);
    lblDeviceSubnetMask =
        label(QStringLiteral("lblDeviceSubnetMask"), QStringLiteral("Device Subnet Mask:"), identity);
    octetBoxes(txtSubnetMask, QStringLiteral("txtSubnetMask"), lblDeviceSubnetMask->text(), QStringLiteral("octet"),
               identity);
    lblDeviceGateway = label(QStringLiteral("lblDeviceGateway"), QStringLiteral("Device Gateway:"), identity);
    octetBoxes(txtGateway, QStringLiteral("txtGateway"), lblDeviceGateway->text(), QStringLiteral("octet"), identity);
    Label3 = label(QStringLiteral("Label3"), QStringLiteral("Device Local Port Number:"), identity);
    txtUDPLocalPort = entry(QStringLiteral("txtUDPLocalPort"), withoutColon(Label3->text()), wordWidth, identity);
    Label4 = label(QStringLiteral("Label4"), QStringLiteral("Device Remote Port Number:"), identity);
    txtUDPRemotePort = entry(QStringLiteral("txtUDPRemotePort"), withoutColon(Label4->text()), wordWidth, identity);

    int row = 0;
    for (auto [caption, boxes] : {std::pair{lblMacAddress, QList<QLineEdit *>(txtMacAddress.begin(), txtMacAddress.end())},
                                  std::pair{lblDeviceIPAddress, QList<QLineEdit *>(txtIPAddress.begin(), txtIPAddress.end())},
                                  std::pair{lblDeviceSubnetMask, QList<QLineEdit *>(txtSubnetMask.begin(), txtSubnetMask.end())},
                                  std::pair{lblDeviceGateway, QList<QLineEdit *>(txtGateway.begin(), txtGateway.end())},
                                  std::pair{Label3, QList<QLineEdit *>{txtUDPLocalPort}},
                                  std::pair{Label4, QList<QLineEdit *>{txtUDPRemotePort}}}) {
        caption->setBuddy(boxes.first());
        identityGrid->addWidget(caption, row, 0);
        identityGrid->addLayout(boxRow(boxes), row, 1);
        ++row;
    }
    identityGrid->setColumnStretch(1, 1);
    // The MAC address is shown, never typed.
    for (QLineEdit *box : txtMacAddress)
        box->setEnabled(false);

    // ---- Serial port ----
    auto *serial = frame(QStringLiteral("fraSerial"), QString(), central);
    auto *serialLayout = new QVBoxLayout(serial);
    auto *serialGrid = new QGridLayout;
    Label5 = label(QStringLiteral("Label5"), QStringLiteral("Device UART Baud Rate [bit/second]:"), serial);
    cmbUARTBaudrate = new QComboBox(serial);
    cmbUARTBaudrate->setObjectName(QStringLiteral("cmbUARTBaudrate"));
    cmbUARTBaudrate->setAccessibleName(withoutColon(Label5->text()));
    cmbUARTBaudrate->setEditable(false);
    Label5->setBuddy(cmbUARTBaudrate);
    Label6 = label(QStringLiteral("Label6"), QStringLiteral("Device UART RX Timeout [uSec]:"), serial);
    txtUARTTimeout = entry(QStringLiteral("txtUARTTimeout"), withoutColon(Label6->text()), wordWidth, serial);
    Label6->setBuddy(txtUARTTimeout);
    serialGrid->addWidget(Label5, 0, 0);
    serialGrid->addWidget(cmbUARTBaudrate, 0, 1, Qt::AlignLeft);
    serialGrid->addWidget(Label6, 1, 0);
    serialGrid->addWidget(txtUARTTimeout, 1, 1, Qt::AlignLeft);
    serialGrid->setColumnStretch(1, 1);
    serialLayout->addLayout(serialGrid);

    Frame1 = frame(QStringLiteral("Frame1"), QString(), serial);
    auto *frame1Layout = new QVBoxLayout(Frame1);
    optUARTAutoTout = option(QStringLiteral("optUARTAutoTout"), QStringLiteral("Automatic Device UART Timeout Setting"),
                             QString(), Frame1);
    optUARTManualTout = option(QStringLiteral("optUARTManualTout"),
                               QStringLiteral("Manual Device UART Timeout Setting"), QString(), Frame1);
    frame1Layout->addWidget(optUARTAutoTout);
    frame1Layout->addWidget(optUARTManualTout);
    serialLayout->addWidget(Frame1);

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
    auto *formatRow = new QHBoxLayout;
    optionFrame(Frame2, QStringLiteral("Frame2"), QStringLiteral("Bit di dati"),
                {{&Option2, {QStringLiteral("Option2"), QStringLiteral("8 bit")}},
                 {&Option1, {QStringLiteral("Option1"), QStringLiteral("7 bit")}}},
                serial);
    optionFrame(Frame5, QStringLiteral("Frame5"), QStringLiteral("Parità"),
                {{&Option3, {QStringLiteral("Option3"), QStringLiteral("Parity None")}},
                 {&Option4, {QStringLiteral("Option4"), QStringLiteral("Parity Even")}},
                 {&Option5, {QStringLiteral("Option5"), QStringLiteral("Parity Odd")}}},
                serial);
    optionFrame(Frame6, QStringLiteral("Frame6"), QStringLiteral("Bit di stop"),
                {{&Option6, {QStringLiteral("Option6"), QStringLiteral("1 bit")}},
                 {&Option7, {QStringLiteral("Option7"), QStringLiteral("2 bit")}}},
                serial);
    optionFrame(Frame8, QStringLiteral("Frame8"), QStringLiteral("Timeout to default serial parameter"),
                {{&Option8, {QStringLiteral("Option8"), QStringLiteral("Enable")}},
                 {&Option9, {QStringLiteral("Option9"), QStringLiteral("Disable")}}},
                serial);
    for (QGroupBox *f : {Frame2, Frame5, Frame6, Frame8})
        formatRow->addWidget(f);
    serialLayout->addLayout(formatRow);
    Option2->setChecked(true);
    Option3->setChecked(true);
    Option6->setChecked(true);
    Option8->setChecked(true);

    auto *leftColumn = new QVBoxLayout;
    leftColumn->addWidget(identity);
    leftColumn->addWidget(serial);
    leftColumn->addStretch(1);

    // ---- Expected address, network mode, firmware, login ----
    Frame3 = frame(QStringLiteral("Frame3"), QString(), central);
    auto *frame3Layout = new QVBoxLayout(Frame3);
    Label7 = label(QStringLiteral("Label7"), QStringLiteral("Expected Device IP-Address:"), Frame3);
    octetBoxes(txtExpIPAddress, QStringLiteral("txtExpIPAddress"), Label7->text(), QStringLiteral("octet"), Frame3);
    Label7->setBuddy(txtExpIPAddress[0]);
    frame3Layout->addWidget(Label7);
    frame3Layout->addLayout(boxRow(txtExpIPAddress));

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
    indexedOptions(optDhcp, fraDhcp, QStringLiteral("fraDhcp"), QStringLiteral("DHCP Client"),
                   QStringLiteral("optDhcp"), QStringLiteral("DHCP enabled"), QStringLiteral("DHCP disabled"),
                   central);
    indexedOptions(optProto, fraProto, QStringLiteral("fraProto"), QStringLiteral("Protocol"),
                   QStringLiteral("optProto"), QStringLiteral("TCP"), QStringLiteral("UDP"), central);
    QVBoxLayout *cliSerLayout =
        indexedOptions(optCliSer, fraCliSer, QStringLiteral("fraCliSer"), QStringLiteral("TCP Client/Server"),
                       QStringLiteral("optCliSer"), QStringLiteral("TCP Client"), QStringLiteral("TCP Server"), central);
    Label1 = label(QStringLiteral("Label1"), QStringLiteral("Server remote IP-Address"), fraCliSer);
    octetBoxes(txtTcpServer, QStringLiteral("txtTcpServer"), QStringLiteral("Server remote IP-Address (for TCP Client mode)"),
               QStringLiteral("octet"), fraCliSer);
    Label1->setBuddy(txtTcpServer[0]);
    Label2 = label(QStringLiteral("Label2"), QStringLiteral("(for TCP Client mode)"), fraCliSer);
    cliSerLayout->addWidget(Label1);
    cliSerLayout->addLayout(boxRow(txtTcpServer));
    cliSerLayout->addWidget(Label2);

    auto *modeRow = new QHBoxLayout;
    modeRow->addWidget(fraDhcp);
    modeRow->addWidget(fraProto);

    Frame7 = frame(QStringLiteral("Frame7"), QStringLiteral("Ver. Firmware"), central);
    auto *frame7Layout = new QVBoxLayout(Frame7);
    lblFirmware = label(QStringLiteral("lblFirmware"), QString(), Frame7);
    lblFirmware->setAccessibleName(Frame7->title());
    lblFirmware->setMinimumWidth(fixedMetrics.horizontalAdvance(QStringLiteral("00.00")));
    frame7Layout->addWidget(lblFirmware);

    Frame4 = frame(QStringLiteral("Frame4"), QString(), central);
    auto *frame4Layout = new QVBoxLayout(Frame4);
    lblLoginStatus = label(QStringLiteral("lblLoginStatus"), QString(), Frame4);
    lblLoginStatus->setAccessibleName(QStringLiteral("Login status"));
    lblLoginStatus->setWordWrap(true);
    lblLoginStatus->setMinimumWidth(QFontMetrics(lblLoginStatus->font())
                                        .horizontalAdvance(QStringLiteral("Login done. [Login time 00:00]")));
    cmdLogin = button(QStringLiteral("cmdLogin"), QStringLiteral("Login"), Frame4);
    cmdLogout = button(QStringLiteral("cmdLogout"), QStringLiteral("Logout"), Frame4);
    auto *loginButtons = new QHBoxLayout;
    loginButtons->addWidget(cmdLogin);
    loginButtons->addWidget(cmdLogout);
    frame4Layout->addWidget(lblLoginStatus);
    frame4Layout->addLayout(loginButtons);

    auto *middleColumn = new QVBoxLayout;
    middleColumn->addWidget(Frame3);
    middleColumn->addLayout(modeRow);
    middleColumn->addWidget(fraCliSer);
    middleColumn->addWidget(Frame7);
    middleColumn->addWidget(Frame4);
    middleColumn->addStretch(1);

    // ---- Commands ----
    auto *commands = new QVBoxLayout;
    cmdCommand_a = button(QStringLiteral("cmdCommand_a"), QStringLiteral("Download Settings"), central);
    cmdCommand_b = button(QStringLiteral("cmdCommand_b"), QStringLiteral("Upload Settings"), central);
    cmdCommand_c = button(QStringLiteral("cmdCommand_c"), QStringLiteral("Set Default Configuration"), central);
    Command1 = button(QStringLiteral("Command1"), QStringLiteral("Change Baudrate On The Fly"), central);
    cmdSource = button(QStringLiteral("cmdSource"), QStringLiteral("IP Sources filter"), central);
    cmdBridge = button(QStringLiteral("cmdBridge"), QStringLiteral("IP Destinations bridge"), central);
    cmdResetMacAutomatic =
        button(QStringLiteral("cmdResetMacAutomatic"), QStringLiteral("Reassign MAC ADDR (automatic)"), central);
    cmdResetMacManual =
        button(QStringLiteral("cmdResetMacManual"), QStringLiteral("Reassign MAC ADDR (manual)"), central);
    cmdDiscovery = button(QStringLiteral("cmdDiscovery"), QStringLiteral("Devices Discovery"), central);
    cmdExit = button(QStringLiteral("cmdExit"), QStringLiteral("Exit"), central);
    for (QPushButton *b : {cmdCommand_a, cmdCommand_b, cmdCommand_c, Command1, cmdSource, cmdBridge,
                           cmdResetMacAutomatic, cmdResetMacManual, cmdDiscovery})
        commands->addWidget(b);
    commands->addStretch(1);
    commands->addWidget(cmdExit);

    auto *columns = new QHBoxLayout(central);
    columns->addLayout(leftColumn);
    columns->addLayout(middleColumn);
    columns->addLayout(commands);

    // ---- Menu ----
    mnuHelp = menuBar()->addMenu(QStringLiteral("&?"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuHelpAbout = mnuHelp->addAction(QStringLiteral("&Informazioni su"));
    mnuHelpAbout->setObjectName(QStringLiteral("mnuHelpAbout"));

    // The baud list starts with its items and nothing selected.
    m_fillingBaudList = true;
    for (int rate : kBaudRates)
        cmbUARTBaudrate->addItem(QString::number(rate));
    cmbUARTBaudrate->setCurrentIndex(-1);
    m_fillingBaudList = false;
}

void frm01UDPClient::connectHandlers()
{
    connect(cmdCommand_a, &QPushButton::clicked, this, &frm01UDPClient::cmdCommand_a_Click);
    connect(cmdCommand_b, &QPushButton::clicked, this, &frm01UDPClient::cmdCommand_b_Click);
    connect(cmdCommand_c, &QPushButton::clicked, this, &frm01UDPClient::cmdCommand_c_Click);
    connect(cmdResetMacAutomatic, &QPushButton::clicked, this, &frm01UDPClient::cmdResetMacAutomatic_Click);
    connect(cmdResetMacManual, &QPushButton::clicked, this, &frm01UDPClient::cmdResetMacManual_Click);
    connect(Command1, &QPushButton::clicked, this, &frm01UDPClient::Command1_Click);
    connect(cmdLogin, &QPushButton::clicked, this, &frm01UDPClient::cmdLogin_Click);
    connect(cmdLogout, &QPushButton::clicked, this, &frm01UDPClient::cmdLogout_Click);
    connect(cmdDiscovery, &QPushButton::clicked, this, &frm01UDPClient::cmdDiscovery_Click);
    connect(cmdSource, &QPushButton::clicked, this, &frm01UDPClient::cmdSource_Click);
    connect(cmdBridge, &QPushButton::clicked, this, &frm01UDPClient::cmdBridge_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frm01UDPClient::cmdExit_Click);
    connect(mnuHelpAbout, &QAction::triggered, this, &frm01UDPClient::mnuHelpAbout_Click);

    // Choosing an option, by a click or by the program, runs its action.
    connect(optUARTAutoTout, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            optUARTAutoTout_Click();
    });
    connect(optUARTManualTout, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            optUARTManualTout_Click();
    });

    // A selection by the program or by the user; the user picking the item already shown
    // selects it again (in automatic mode this re-applies its timeout).
    connect(cmbUARTBaudrate, &QComboBox::currentIndexChanged, this, &frm01UDPClient::cmbUARTBaudrate_Click);
    connect(cmbUARTBaudrate, &QComboBox::activated, this, &frm01UDPClient::cmbUARTBaudrate_Click);

    for (int i = 0; i < 4; ++i) {
        connect(txtExpIPAddress[i], &QLineEdit::textChanged, this, [this, i] { txtExpIPAddress_Change(i); });
        connect(txtIPAddress[i], &QLineEdit::textChanged, this, [this, i] { txtIPAddress_Change(i); });
        connect(txtSubnetMask[i], &QLineEdit::textChanged, this, [this, i] { txtSubnetMask_Change(i); });
        connect(txtGateway[i], &QLineEdit::textChanged, this, [this, i] { txtGateway_Change(i); });
        for (QLineEdit *box : {txtExpIPAddress[i], txtIPAddress[i], txtSubnetMask[i], txtGateway[i]})
            box->installEventFilter(this);
    }
    for (int i = 0; i < 6; ++i)
        connect(txtMacAddress[i], &QLineEdit::textChanged, this, [this, i] { txtMacAddress_Change(i); });
    connect(txtUDPLocalPort, &QLineEdit::textChanged, this, &frm01UDPClient::txtUDPLocalPort_Change);
    connect(txtUDPRemotePort, &QLineEdit::textChanged, this, &frm01UDPClient::txtUDPRemotePort_Change);
    connect(txtUARTTimeout, &QLineEdit::textChanged, this, &frm01UDPClient::txtUARTTimeout_Change);
    txtUARTTimeout->installEventFilter(this);
}

// ---- Load, activation, closing ---------------------------------------------------------

void frm01UDPClient::Form_Load()
{
    ProgramState &state = m_ctx.state();
    state.DeviceIpOctet = {192, 168, 0, 1};
    // Each box's change handling stores its octet and aims the endpoint at the address.
    for (int i = 0; i < 4; ++i)
        txtExpIPAddress[i]->setText(QString::number(state.DeviceIpOctet[i]));

    optUARTAutoTout->setChecked(true);
    optUARTManualTout->setChecked(false);

    SetWriteButtonsEnabled(false);
    // Logged out from the start, not only from the first activation: a window that is
    // never activated (started hidden, or kept in the background by the desktop) must not
    // poll a device it has not logged in to.
    m_ctx.Timer2().setEnabled(false);
    cmdLogout->setEnabled(false);
    for (int i = 2; i < 6; ++i)
        txtMacAddress[i]->setEnabled(false);
}

void frm01UDPClient::Form_Activate()
{
    ProgramState &state = m_ctx.state();
    if (state.LoginRequested) {
        state.LoginRequested = false;
        SendLoginCommand();
    }
    if (state.PasswordChangeRequested) {
        state.PasswordChangeRequested = false;
        SendNewPassword();
    }
    if (!state.LoggedIn) {
        m_ctx.Timer2().setEnabled(false);
        cmdLogout->setEnabled(false);
    }
}

bool frm01UDPClient::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate)
        Form_Activate();
    return QMainWindow::event(event);
}

void frm01UDPClient::closeEvent(QCloseEvent *event)
{
    // Closing the main window ends the program, as "Exit" does.
    event->accept();
    m_ctx.exitProgram();
}

void frm01UDPClient::SetWriteButtonsEnabled(bool enabled)
{
    for (QPushButton *b : {cmdCommand_b, cmdSource, cmdBridge, cmdResetMacAutomatic, cmdResetMacManual})
        b->setEnabled(enabled);
}

// ---- Buttons and menu ------------------------------------------------------------------

void frm01UDPClient::cmdCommand_a_Click()
{
    Link &link = m_ctx.link();
    link.SendCommand(CmdLoginStatus);
    link.SendFrame(CmdDownloadSettings, SimpleCommandData(), Target::Unicast, kReplyTimeoutMs);
}

void frm01UDPClient::cmdCommand_b_Click()
{
    // Refuse before the logout leaves: a value that does not fit its byte is never sent.
    if (const std::optional<QString> refusal = UploadRefusal()) {
        m_ctx.messages().show(*refusal, kUploadRefusedTitle, MessageIcon::Exclamation);
        return;
    }
    StartWriteSequence(CmdUploadSettings);
}

void frm01UDPClient::cmdCommand_c_Click()
{
    StartWriteSequence(CmdSetDefault);
}

void frm01UDPClient::cmdResetMacAutomatic_Click()
{
    StartWriteSequence(CmdMacAutomatic);
}

void frm01UDPClient::StartWriteSequence(quint8 code)
{
    m_ctx.link().SendCommand(CmdLogout);
    m_ctx.state().LastCommandCode = code;
    m_ctx.Timer4().arm(kDeferredWriteMs);
}

void frm01UDPClient::cmdResetMacManual_Click()
{
    frm07MacAddress *dialog = m_ctx.macAddress();
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void frm01UDPClient::Command1_Click()
{
    UartQuickBlock block;
    // BaudRateIndex only ever holds a list index, 0..8.
    block.baudCode = static_cast<quint8>(std::clamp<int>(BaudRateIndex, 0, 255));
    block.format = UartFormatByte();
    // No reply is awaited for a baud change on the fly.
    m_ctx.link().SendFrame(CmdBaudOnTheFly, EncodeUartQuickBlock(block), Target::Unicast, 0);
}

void frm01UDPClient::cmdLogin_Click()
{
    frm02Login *dialog = m_ctx.login();
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void frm01UDPClient::cmdLogout_Click()
{
    m_ctx.link().SendCommand(CmdLogout);
}

void frm01UDPClient::cmdDiscovery_Click()
{
    frm03Discovery *window = m_ctx.discovery();
    window->show();
    window->raise();
    window->activateWindow();
}

void frm01UDPClient::cmdSource_Click()
{
    m_ctx.link().SendCommand(CmdDownloadSource);
    frm05Source *dialog = m_ctx.source();
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void frm01UDPClient::cmdBridge_Click()
{
    m_ctx.link().SendCommand(CmdDownloadBridge);
    frm06Bridge *dialog = m_ctx.bridge();
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void frm01UDPClient::cmdExit_Click()
{
    m_ctx.exitProgram();
}

void frm01UDPClient::mnuHelpAbout_Click()
{
    m_ctx.showAbout();
}

void frm01UDPClient::optUARTAutoTout_Click()
{
    txtUARTTimeout->setEnabled(false);
    AutoTimeoutMode = true;
    ManualTimeoutMode = false;
}

void frm01UDPClient::optUARTManualTout_Click()
{
    txtUARTTimeout->setEnabled(true);
    ManualTimeoutMode = true;
    AutoTimeoutMode = false;
}

// ---- Senders ---------------------------------------------------------------------------

quint8 frm01UDPClient::UartFormatByte() const
{
    UartFormat format;
    format.sevenDataBits = Option1->isChecked();
    format.parity = Option4->isChecked() ? Parity::Even : Option5->isChecked() ? Parity::Odd : Parity::None;
    format.twoStopBits = Option7->isChecked();
    return EncodeUartFormat(format);
}

quint8 frm01UDPClient::ModeFlagsByte() const
{
    ModeFlags flags;
    flags.tcpClient = optCliSer[1]->isChecked();
    flags.tcp = optProto[1]->isChecked();
    flags.dhcp = optDhcp[1]->isChecked();
    return EncodeModeFlags(flags);
}

std::optional<QString> frm01UDPClient::UploadRefusal() const
{
    const auto octetError = [](const QString &field, int index) {
        return QStringLiteral("%1 Error\nThe value of field #%2 is out of range. "
                              "Values allowed are in the interval [0-255]")
            .arg(field)
            .arg(index);
    };
    const auto wordError = [](const QString &field) {
        return QStringLiteral("%1 Error\nThe value is out of range. Values allowed are in the interval [0-65535]")
            .arg(field);
    };
    const auto checkOctets = [&](const auto &values, const QString &field) -> std::optional<QString> {
        for (int i = 0; i < int(values.size()); ++i)
            if (!isOctet(values[i]))
                return octetError(field, i);
        return std::nullopt;
    };

    if (auto e = checkOctets(DeviceMac, QStringLiteral("Device Mac-Address")))
        return e;
    if (auto e = checkOctets(DeviceIp, QStringLiteral("Device IP-Address")))
        return e;
    if (auto e = checkOctets(DeviceMask, QStringLiteral("Device Subnet Mask")))
        return e;
    if (auto e = checkOctets(DeviceGateway, QStringLiteral("Device Gateway")))
        return e;
    if (!isWord(LocalPort))
        return wordError(QStringLiteral("Device Local Port Number"));
    if (!isWord(RemotePort))
        return wordError(QStringLiteral("Device Remote Port Number"));
    if (!isWord(UartTimeout))
        return wordError(QStringLiteral("Device UART RX Timeout"));
    int badServerField = -1;
    if (!TcpServerAddress(&badServerField))
        return QStringLiteral("Server remote IP-Address Error\nField #%1 must hold a whole number "
                              "in the interval [0-255]")
            .arg(badServerField);
    return std::nullopt;
}

std::optional<Octets4> frm01UDPClient::TcpServerAddress(int *badField) const
{
    // The server address matters in TCP client mode only, and a device that does not report
    // one leaves the four boxes empty: all four empty is the address 0.0.0.0.
    if (std::all_of(txtTcpServer.begin(), txtTcpServer.end(),
                    [](const QLineEdit *box) { return box->text().trimmed().isEmpty(); }))
        return Octets4{};
    Octets4 address{};
    for (int i = 0; i < 4; ++i) {
        const std::optional<qint64> value = WholeNumber(txtTcpServer[i]->text());
        if (!value || *value < 0 || *value > 255) {
            if (badField)
                *badField = i;
            return std::nullopt;
        }
        address[std::size_t(i)] = static_cast<quint8>(*value);
    }
    return address;
}

void frm01UDPClient::SendDeviceSettings()
{
    // The fields may have changed since the click: check them again.
    if (const std::optional<QString> refusal = UploadRefusal()) {
        m_ctx.messages().show(*refusal, kUploadRefusedTitle, MessageIcon::Exclamation);
        return;
    }

    SettingsUploadBlock block;
    for (int i = 0; i < 6; ++i)
        block.mac[i] = static_cast<quint8>(DeviceMac[i]);
    for (int i = 0; i < 4; ++i) {
        block.ip[i] = static_cast<quint8>(DeviceIp[i]);
        block.mask[i] = static_cast<quint8>(DeviceMask[i]);
        block.gateway[i] = static_cast<quint8>(DeviceGateway[i]);
    }
    block.tcpServer = *TcpServerAddress();
    block.localPort = static_cast<quint16>(LocalPortHigh * 256 + LocalPortLow);
    block.remotePort = static_cast<quint16>(RemotePortHigh * 256 + RemotePortLow);
    block.baudCode = static_cast<quint8>(std::clamp<int>(BaudRateIndex, 0, 255));
    block.uartTimeout = static_cast<quint16>(UartTimeoutHigh * 256 + UartTimeoutLow);
    block.format = UartFormatByte();
    block.timeoutToDefault = Option8->isChecked() ? 1 : 0;
    block.mode = ModeFlagsByte();
    m_ctx.link().SendFrame(CmdUploadSettings, EncodeSettingsUploadBlock(block), Target::Unicast, kReplyTimeoutMs);
}

void frm01UDPClient::SendLoginCommand()
{
    QByteArray data;
    for (quint16 code : m_ctx.state().LoginPasswordCodes)
        data.append(passwordByte(code));
    m_ctx.link().SendFrame(CmdLogin, data, Target::Unicast, kReplyTimeoutMs);
}

void frm01UDPClient::SendNewPassword()
{
    const ProgramState &state = m_ctx.state();
    QByteArray data;
    for (quint16 code : state.OldPasswordCodes)
        data.append(passwordByte(code));
    for (quint16 code : state.NewPasswordCodes)
        data.append(passwordByte(code));
    m_ctx.link().SendFrame(CmdSetPassword, data, Target::Unicast, kReplyTimeoutMs);
}

// ---- Timers ----------------------------------------------------------------------------

void frm01UDPClient::Timer1_Timer()
{
    ProgramState &state = m_ctx.state();
    m_ctx.Timer1().setEnabled(false);
    if (state.DiscoveryPending) {
        m_ctx.discovery()->ShowNoDeviceFound();
    } else if (state.CommandPending && !state.SilenceReported) {
        // A device that falls silent while the login is polled is reported once.
        state.SilenceReported = true;
        m_ctx.messages().show(QStringLiteral("The command has not been executed or not completely succeded"),
                              QStringLiteral("Attention!"), MessageIcon::Critical);
    }
}

void frm01UDPClient::Timer2_Timer()
{
    m_ctx.Timer2().setInterval(kLoginPollMs);
    m_ctx.link().SendCommand(CmdLoginStatus);
}

void frm01UDPClient::Timer3_Timer()
{
    m_ctx.Timer3().setEnabled(false);
    frm03Discovery *discovery = m_ctx.discoveryIfLoaded();
    if (discovery && discovery->isVisible())
        SendDiscoveryRequest(m_ctx);
}

void frm01UDPClient::Timer4_Timer()
{
    m_ctx.Timer4().setEnabled(false);
    switch (m_ctx.state().LastCommandCode) {
    case CmdUploadSettings:
        SendDeviceSettings();
        break;
    case CmdSetDefault:
        m_ctx.link().SendCommand(CmdSetDefault);
        break;
    case CmdUploadSource:
        SendSourceFilter(m_ctx);
        break;
    case CmdUploadBridge:
        SendBridgeSettings(m_ctx);
        break;
    case CmdMacAutomatic:
        m_ctx.link().SendCommand(CmdMacAutomatic);
        break;
    case CmdMacFromCode:
        SendMacCode(m_ctx);
        break;
    default:
        break;
    }
}

// ---- Entry: change handling ------------------------------------------------------------

void frm01UDPClient::txtExpIPAddress_Change(int index)
{
    m_ctx.state().DeviceIpOctet[index] = OctetFieldValue(txtExpIPAddress[index]->text());
    // Every change re-aims the endpoint at the address now shown.
    m_ctx.link().SelectUnicastTarget();
}

void frm01UDPClient::txtIPAddress_Change(int index)
{
    DeviceIp[index] = OctetFieldValue(txtIPAddress[index]->text());
}

void frm01UDPClient::txtSubnetMask_Change(int index)
{
    DeviceMask[index] = OctetFieldValue(txtSubnetMask[index]->text());
}

void frm01UDPClient::txtGateway_Change(int index)
{
    DeviceGateway[index] = OctetFieldValue(txtGateway[index]->text());
}

void frm01UDPClient::txtMacAddress_Change(int index)
{
    // Two hexadecimal digits as the reply shows them; a text that is not hexadecimal
    // stores -1, which the upload refuses.
    const QString text = txtMacAddress[index]->text();
    if (text.isEmpty()) {
        DeviceMac[index] = 0;
        return;
    }
    const qint32 value = HexPairToByte(text, text.size() >= 2 ? 2 : 1);
    DeviceMac[index] = value > 255 ? qint16(-1) : qint16(value);
}

void frm01UDPClient::txtUDPLocalPort_Change()
{
    LocalPort = WordFieldValue(txtUDPLocalPort->text());
    splitWord(LocalPort, LocalPortHigh, LocalPortLow);
}

void frm01UDPClient::txtUDPRemotePort_Change()
{
    RemotePort = WordFieldValue(txtUDPRemotePort->text());
    splitWord(RemotePort, RemotePortHigh, RemotePortLow);
}

void frm01UDPClient::txtUARTTimeout_Change()
{
    UartTimeout = WordFieldValue(txtUARTTimeout->text());
    splitWord(UartTimeout, UartTimeoutHigh, UartTimeoutLow);
}

// ---- Baud rate list --------------------------------------------------------------------

void frm01UDPClient::cmbUARTBaudrate_Click(int index)
{
    if (m_fillingBaudList || index < 0)
        return;
    BaudRateIndex = static_cast<qint16>(index);
    if (!AutoTimeoutMode)
        return;
    txtUARTTimeout->setEnabled(true);
    if (index < int(kAutoUartTimeouts.size()))
        txtUARTTimeout->setText(QString::number(kAutoUartTimeouts[index]));
    txtUARTTimeout->setEnabled(false);
}

void frm01UDPClient::Fill_UART_BaudRate_Combo(qint16 BaudRateCode)
{
    // Emptying and refilling the list changes its selection on the way; only the final
    // selection counts.
    m_fillingBaudList = true;
    cmbUARTBaudrate->clear();
    for (int rate : kBaudRates)
        cmbUARTBaudrate->addItem(QString::number(rate));
    cmbUARTBaudrate->setCurrentIndex(-1);
    m_fillingBaudList = false;
    if (BaudRateCode >= 0 && BaudRateCode < cmbUARTBaudrate->count())
        cmbUARTBaudrate->setCurrentIndex(BaudRateCode);
}

// ---- Entry: leaving checks -------------------------------------------------------------

bool frm01UDPClient::eventFilter(QObject *watched, QEvent *event)
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

    if (watched == txtUARTTimeout) {
        txtUARTTimeout_LostFocus();
    } else {
        for (int i = 0; i < 4; ++i) {
            if (watched == txtExpIPAddress[i])
                OctetBox_LostFocus(OctetFamily::Expected, i);
            else if (watched == txtIPAddress[i])
                OctetBox_LostFocus(OctetFamily::Ip, i);
            else if (watched == txtSubnetMask[i])
                OctetBox_LostFocus(OctetFamily::Mask, i);
            else if (watched == txtGateway[i])
                OctetBox_LostFocus(OctetFamily::Gateway, i);
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void frm01UDPClient::OctetBox_LostFocus(OctetFamily family, int index)
{
    QLineEdit *box = nullptr;
    QString fieldName;
    switch (family) {
    case OctetFamily::Expected:
        box = txtExpIPAddress[index];
        fieldName = QStringLiteral("IP-Address");
        break;
    case OctetFamily::Ip:
        box = txtIPAddress[index];
        fieldName = QStringLiteral("IP-Address");
        break;
    case OctetFamily::Mask:
        box = txtSubnetMask[index];
        fieldName = QStringLiteral("Subnet Mask");
        break;
    case OctetFamily::Gateway:
        box = txtGateway[index];
        fieldName = QStringLiteral("Gateway");
        break;
    }

    // Refused: an empty box, any negative value (-0.4 too), or a value whose stored,
    // rounded octet is above 255 (255.4 stores 255 and passes, 255.6 does not).
    const QString text = box->text();
    const double value = NumericValue(text);
    if (!text.isEmpty() && value >= 0 && RoundHalfEven(value) <= 255)
        return;

    m_ctx.messages().show(octetOutOfRangeText(fieldName, index), kOutOfRangeTitle, MessageIcon::Exclamation);
    box->setText(QString());
    // Putting the focus back takes it from the box the user moved to; that box is not
    // being left by the user, so its own check must not run (two empty boxes would
    // otherwise send the focus and their messages back and forth).
    m_returningFocus = true;
    box->setFocus(Qt::OtherFocusReason);
    m_returningFocus = false;
}

void frm01UDPClient::txtUARTTimeout_LostFocus()
{
    const QString text = txtUARTTimeout->text();
    const double value = NumericValue(text);
    if (!text.isEmpty() && value >= 50 && value <= 65535)
        return;
    m_ctx.messages().show(QStringLiteral("The value selected for UART Timeout is out of range. "
                                         "Values allowed are in the interval [50-65535]"),
                          kOutOfRangeTitle, MessageIcon::Exclamation);
    txtUARTTimeout->setText(QString());
}

} // namespace qvx
