#include "discovery/DiscoveryWindow.h"

#include "services/ProgramServices.h"
#include "accessibility/Accessibility.h"
#include "discovery/AddressSearchDialog.h"
#include "discovery/DeviceFlagPicture.h"
#include "discovery/DeviceGridModel.h"
#include "discovery/DeviceGridView.h"
#include "discovery/DiscoveryRequest.h"
#include "netadapters/AddressRange.h"
#include "netadapters/AddressScan.h"
#include "netadapters/CardSearch.h"
#include "protocol/Commands.h"
#include "protocol/DiscoveryColumns.h"
#include "protocol/Endpoint.h"
#include "protocol/FieldKeys.h"
#include "protocol/FieldRules.h"
#include "protocol/Frame.h"
#include "protocol/Link.h"
#include "protocol/Layouts.h"
#include "protocol/MessageSink.h"
#include "protocol/RecordFormats.h"
#include "protocol/SiteCheck.h"
#include "protocol/TextRules.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMap>
#include <QFontMetrics>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QRadioButton>
#include <QSaveFile>
#include <QTableView>
#include <QVBoxLayout>

#include <limits>
#include <optional>

namespace qvx {

namespace {

constexpr int kIndicatorSize = 32;

enum class Indicator { Search, Ok, Fail };

// The status pictures: a magnifying glass, a green tick, a red cross.
QPixmap indicatorPixmap(Indicator kind)
{
    // Drawn at twice the size, so that it stays sharp on high-density screens.
    QPixmap pixmap(2 * kIndicatorSize, 2 * kIndicatorSize);
    pixmap.setDevicePixelRatio(2);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QPen round(Qt::white, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    switch (kind) {
    case Indicator::Search:
        p.setPen(QPen(QColor(90, 90, 90), 5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(19.5, 19.5), QPointF(28, 28));
        p.setPen(QPen(QColor(0, 70, 170), 3));
        p.setBrush(QColor(200, 225, 255));
        p.drawEllipse(QPointF(13, 13), 9, 9);
        break;
    case Indicator::Ok: {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 150, 40));
        p.drawEllipse(QRectF(1, 1, 30, 30));
        QPainterPath tick;
        tick.moveTo(8.5, 16.5);
        tick.lineTo(13.5, 22);
        tick.lineTo(23.5, 10);
        p.setPen(round);
        p.setBrush(Qt::NoBrush);
        p.drawPath(tick);
        break;
    }
    case Indicator::Fail:
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(200, 20, 20));
        p.drawEllipse(QRectF(1, 1, 30, 30));
        p.setPen(round);
        p.drawLine(QPointF(10.5, 10.5), QPointF(21.5, 21.5));
        p.drawLine(QPointF(21.5, 10.5), QPointF(10.5, 21.5));
        break;
    }
    return pixmap;
}

// Width of a box that shows `chars` digits.
int boxWidth(const QWidget *box, int chars)
{
    const QFontMetrics fm(box->font());
    return fm.horizontalAdvance(QString(chars, QLatin1Char('0'))) + fm.averageCharWidth() + 12;
}

QLineEdit *makeBox(QWidget *parent, const QString &name, const QString &accessibleName, int maxLength,
                   bool centred)
{
    auto *box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setAccessibleName(accessibleName);
    box->setMaxLength(maxLength);
    if (centred)
        box->setAlignment(Qt::AlignCenter);
    box->setFixedWidth(boxWidth(box, maxLength));
    return box;
}

template <std::size_t N>
void makeOctetBoxes(std::array<QLineEdit *, N> &boxes, QWidget *parent, const QString &name,
                    const QString &heading, const QString &unit, int maxLength)
{
    for (std::size_t i = 0; i < N; ++i)
        boxes[i] = makeBox(parent, name + QLatin1Char('_') + QString::number(i),
                           QStringLiteral("%1: %2 %3 of %4").arg(heading, unit).arg(i + 1).arg(N), maxLength, true);
}

QLabel *makeLabel(QWidget *parent, const QString &name, const QString &caption)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(name);
    return label;
}

ValueLabel *makeValueLabel(QWidget *parent, const QString &name, const QString &role)
{
    auto *label = new ValueLabel(role, parent);
    label->setObjectName(name);
    return label;
}

QLabel *makeHeading(QWidget *parent, const QString &name, const QString &caption, QWidget *buddy)
{
    QLabel *label = makeLabel(parent, name, caption);
    if (buddy)
        label->setBuddy(buddy);
    return label;
}

QComboBox *makeList(QWidget *parent, const QString &name, const QString &accessibleName, const QStringList &items)
{
    auto *list = new QComboBox(parent);
    list->setObjectName(name);
    list->setAccessibleName(accessibleName);
    list->addItems(items);
    // A drop-down list starts with nothing selected: the device's values select its items.
    list->setCurrentIndex(-1);
    list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    list->setMinimumContentsLength(7); // "115200", "DISABLE"
    return list;
}

QPushButton *makeButton(QWidget *parent, const QString &name, const QString &caption)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

template <std::size_t N>
void addRow(QGridLayout *grid, int row, QLabel *heading, const std::array<QLineEdit *, N> &boxes, int firstColumn = 1)
{
    if (heading)
        grid->addWidget(heading, row, 0);
    for (std::size_t i = 0; i < N; ++i)
        grid->addWidget(boxes[i], row, firstColumn + int(i));
}


} // namespace

DiscoveryWindow::DiscoveryWindow(ProgramServices &services, QWidget *parent) : QWidget(parent), m_services(services)
{
    setObjectName(QStringLiteral("frm03Discovery"));
    setWindowTitle(QStringLiteral("NET QVX Device Discovery"));
    buildControls();

    connect(m_refreshButton, &QPushButton::clicked, this, &DiscoveryWindow::onRefreshClicked);
    connect(m_uploadSelectedButton, &QPushButton::clicked, this, &DiscoveryWindow::uploadSelectedDevice);
    connect(m_factorySettingButton, &QPushButton::clicked, this, &DiscoveryWindow::restoreFactorySetting);
    connect(m_exitButton, &QPushButton::clicked, this, &DiscoveryWindow::close);
    connect(m_exportButton, &QPushButton::clicked, this, &DiscoveryWindow::exportDevices);
    connect(m_deviceGrid, &QTableView::clicked, this, &DiscoveryWindow::onDeviceRowClicked);
    connect(m_searchAddressesButton, &QPushButton::clicked, this, &DiscoveryWindow::openAddressSearch);
    connect(m_compareButton, &QPushButton::clicked, this, &DiscoveryWindow::compareWithSheet);
    connect(m_clearComparisonButton, &QPushButton::clicked, this, &DiscoveryWindow::clearComparison);
    // The counts follow every change of the rows.
    connect(m_grid, &QAbstractItemModel::rowsInserted, this, &DiscoveryWindow::showComparison);
    connect(m_grid, &QAbstractItemModel::modelReset, this, &DiscoveryWindow::showComparison);
    connect(m_openInProgrammerButton, &QPushButton::clicked, this, &DiscoveryWindow::openSelectedInProgrammer);
    connect(m_deviceGrid, &QTableView::doubleClicked, this, [this] {
        onDeviceRowClicked();
        if (m_grid->isFoundByAddress(m_selectedRow))
            openSelectedInProgrammer();
    });

    // The search by address: settings downloads without a reply timer or a message box;
    // failed sends are counted and said once at the end.
    m_addressScan = new AddressScan(
        [this](quint32 address) {
            return m_services.link().sendQuietly(CmdDownloadSettings, simpleCommandData(), Destination::device(address));
        },
        this);
    connect(m_addressScan, &AddressScan::deviceFound, this, [this](const AddressScan::Found &device) {
        if (m_services.state().gridRowCount >= std::numeric_limits<qint16>::max())
            return;
        m_grid->appendFoundByAddress(device.settings, device.length, device.card, device.address);
        m_services.state().gridRowCount = qint16(m_grid->deviceCount() + 1);
        makeNewestRowCurrent();
        showDeviceCount();
    });

    // Room for a dozen more device rows than the minimum, within the screen.
    QSize size = sizeHint();
    size.rheight() += 12 * m_deviceGrid->verticalHeader()->defaultSectionSize();
    if (const QScreen *display = screen())
        size = size.boundedTo(display->availableGeometry().size() - QSize(0, 40));
    resize(size);
}

DiscoveryWindow::~DiscoveryWindow() = default;

// ---- Building the window ----------------------------------------------------------------

void DiscoveryWindow::buildControls()
{
    // Buttons.
    m_refreshButton = makeButton(this, QStringLiteral("cmdRefresh"), QStringLiteral("Refresh View"));
    m_searchAddressesButton =
        makeButton(this, QStringLiteral("cmdSearchAddresses"), QStringLiteral("Search addresses…"));
    m_searchAddressesButton->setToolTip(
        QStringLiteral("Ask every address of subnets or ranges for its settings: finds devices behind routers"));
    m_openInProgrammerButton =
        makeButton(this, QStringLiteral("cmdOpenProgrammer"), QStringLiteral("Open in programmer"));
    m_openInProgrammerButton->setToolTip(
        QStringLiteral("Download the settings of the device found by address in the programmer window"));
    m_openInProgrammerButton->setEnabled(false);
    m_compareButton = makeButton(this, QStringLiteral("cmdCompareSheet"), QStringLiteral("Compare with sheet…"));
    m_compareButton->setToolTip(QStringLiteral("Mark what differs from a commissioning sheet (CSV keyed by MAC address)"));
    m_clearComparisonButton = makeButton(this, QStringLiteral("cmdClearComparison"), QStringLiteral("Clear comparison"));
    m_clearComparisonButton->setEnabled(false);
    m_uploadSelectedButton = makeButton(this, QStringLiteral("cmdNetSet"), QStringLiteral("Upload selected device"));
    m_factorySettingButton = makeButton(this, QStringLiteral("cmdFactory"), QStringLiteral("Factory setting"));
    m_exitButton = makeButton(this, QStringLiteral("cmdExit"), QStringLiteral("Exit"));
    m_exportButton = makeButton(this, QStringLiteral("cmdExport"), QStringLiteral("Export…"));
    m_exportButton->setAccessibleName(QStringLiteral("Export the listed devices to a CSV file"));
    m_exportButton->setToolTip(m_exportButton->accessibleName());

    // Local network card.
    auto *card = new QFrame(this);
    card->setObjectName(QStringLiteral("fraNetworkCard"));
    card->setFrameShape(QFrame::StyledPanel);
    auto *adapterCaption = makeLabel(card, QStringLiteral("lblConfigNet"), QStringLiteral("Network card configuration"));
    QFont titleFont = adapterCaption->font();
    titleFont.setBold(true);
    adapterCaption->setFont(titleFont);
    auto *adapterMacCaption = makeLabel(card, QStringLiteral("lblMac"), QStringLiteral("MAC ADDRESS"));
    auto *adapterIpCaption = makeLabel(card, QStringLiteral("lblIp"), QStringLiteral("IP ADDRESS"));
    auto *adapterMaskCaption = makeLabel(card, QStringLiteral("lblMask"), QStringLiteral("SUBNET MASK"));
    auto *adapterGatewayCaption = makeLabel(card, QStringLiteral("lblGw"), QStringLiteral("GATEWAY"));
    m_adapterMac = makeValueLabel(card, QStringLiteral("lblMacAddr"), QStringLiteral("Network card MAC address"));
    m_adapterIp = makeValueLabel(card, QStringLiteral("lblIpAddr"), QStringLiteral("Network card IP address"));
    m_adapterMask = makeValueLabel(card, QStringLiteral("lblSubnetMask"), QStringLiteral("Network card subnet mask"));
    m_adapterGateway = makeValueLabel(card, QStringLiteral("lblGateway"), QStringLiteral("Network card gateway"));
    {
        const QFontMetrics fm(m_adapterMac->font());
        const int macWidth = fm.horizontalAdvance(QStringLiteral("DD-DD-DD-DD-DD-DD-DD-DD")) + 8;
        const int ipWidth = fm.horizontalAdvance(QStringLiteral("255.255.255.255")) + 8;
        m_adapterMac->setMinimumWidth(macWidth);
        for (QLabel *value : {m_adapterIp, m_adapterMask, m_adapterGateway})
            value->setMinimumWidth(ipWidth);
        for (QLabel *value : {m_adapterMac, m_adapterIp, m_adapterMask, m_adapterGateway})
            value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    auto *cardLayout = new QGridLayout(card);
    cardLayout->setHorizontalSpacing(10);
    cardLayout->setVerticalSpacing(2);
    cardLayout->addWidget(adapterCaption, 0, 0, 1, 4);
    cardLayout->addWidget(adapterMacCaption, 1, 0);
    cardLayout->addWidget(m_adapterMac, 1, 1);
    cardLayout->addWidget(adapterIpCaption, 2, 0);
    cardLayout->addWidget(m_adapterIp, 2, 1);
    cardLayout->addWidget(adapterMaskCaption, 1, 2);
    cardLayout->addWidget(m_adapterMask, 1, 3);
    cardLayout->addWidget(adapterGatewayCaption, 2, 2);
    cardLayout->addWidget(m_adapterGateway, 2, 3);

    // Status area: one indicator at most, then the text.
    auto *status = new QWidget(this);
    status->setObjectName(QStringLiteral("fraStatus"));
    auto *statusLayout = new QVBoxLayout(status);
    statusLayout->setContentsMargins(0, 0, 0, 0);
    auto *indicators = new QWidget(status);
    indicators->setFixedSize(kIndicatorSize, kIndicatorSize);
    const auto makeIndicator = [&](const QString &name, Indicator kind, const QString &description) {
        QLabel *img = makeLabel(indicators, name, QString());
        img->setPixmap(indicatorPixmap(kind));
        img->setFixedSize(kIndicatorSize, kIndicatorSize);
        img->move(0, 0);
        img->setAccessibleName(description);
        img->setToolTip(description);
        img->hide();
        return img;
    };
    m_searchingIcon = makeIndicator(QStringLiteral("imgSearch"), Indicator::Search, QStringLiteral("Searching"));
    m_foundIcon = makeIndicator(QStringLiteral("imgOk"), Indicator::Ok, QStringLiteral("Devices found"));
    m_notFoundIcon = makeIndicator(QStringLiteral("imgFail"), Indicator::Fail, QStringLiteral("No device found"));
    m_statusMessage = makeValueLabel(status, QStringLiteral("lblMsg"), QStringLiteral("Discovery status"));
    m_statusMessage->setMinimumWidth(QFontMetrics(m_statusMessage->font()).horizontalAdvance(QStringLiteral("Found 00000 Device")) + 8);
    m_lostReplies = makeValueLabel(status, QStringLiteral("lblLost"), QStringLiteral("Discovery warning"));
    m_lostReplies->setToolTip(QStringLiteral("The system's receive buffer was full while the devices answered: raise "
                                           "net.core.rmem_max (README, \"Receive buffer for large sites\") and refresh."));
    m_lostReplies->hide();
    m_comparisonSummary = makeValueLabel(status, QStringLiteral("lblComparison"), QStringLiteral("Comparison with the sheet"));
    m_comparisonSummary->hide();
    // The status line, and below it the replies lost, when there are.
    auto *statusLine = new QHBoxLayout;
    statusLine->addWidget(indicators);
    statusLine->addWidget(m_statusMessage);
    statusLine->addStretch(1);
    statusLayout->addLayout(statusLine);
    statusLayout->addWidget(m_lostReplies);
    statusLayout->addWidget(m_comparisonSummary);

    // Card selector, with the cards the last discovery could not search beside it.
    m_cardSelector = new QComboBox(this);
    m_cardSelector->setObjectName(QStringLiteral("cmbNetworkCard"));
    m_cardSelector->setAccessibleName(QStringLiteral("Network card to search"));
    m_cardSelector->setToolTip(QStringLiteral("The network cards \"Refresh View\" searches"));
    m_cardSelector->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_cardSelector->setMinimumContentsLength(26); // "wlp0s20f3 255.255.255.255/32"
    m_cardSelector->addItem(QStringLiteral("All network cards"), QString());
    auto *cardSelectorCaption = makeHeading(this, QStringLiteral("lblNetworkCard"), QStringLiteral("&Network card:"),
                                            m_cardSelector);
    m_notSearchedMessage = makeValueLabel(this, QStringLiteral("lblNotSearched"), QStringLiteral("Network cards not searched"));
    m_notSearchedMessage->setTextInteractionFlags(Qt::TextSelectableByMouse);
    {
        QPalette palette = m_notSearchedMessage->palette();
        palette.setColor(QPalette::WindowText, QColor(150, 40, 0));
        m_notSearchedMessage->setPalette(palette);
    }

    // Device grid.
    m_grid = new DeviceGridModel(this);
    auto *gridView = new DeviceGridView(this);
    // A row reached with the keyboard is chosen as a clicked one is.
    connect(gridView, &DeviceGridView::rowChosenByKeyboard, this, &DiscoveryWindow::onDeviceRowClicked);
    m_deviceGrid = gridView;
    m_deviceGrid->setObjectName(QStringLiteral("grdDevice"));
    m_deviceGrid->setAccessibleName(QStringLiteral("Devices found"));
    m_deviceGrid->setModel(m_grid);
    // The clicked row is shown by its own colours, not by a selection.
    m_deviceGrid->setSelectionMode(QAbstractItemView::NoSelection);
    m_deviceGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_deviceGrid->setWordWrap(false);
    m_deviceGrid->setCornerButtonEnabled(false);
    m_deviceGrid->verticalHeader()->hide();
    m_deviceGrid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_deviceGrid->verticalHeader()->setDefaultSectionSize(QFontMetrics(m_deviceGrid->font()).height() + 6);
    m_deviceGrid->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    m_deviceGrid->horizontalHeader()->setSectionsClickable(false);
    m_deviceGrid->horizontalHeader()->setHighlightSections(false);
    m_deviceGrid->setMinimumHeight(m_deviceGrid->horizontalHeader()->sizeHint().height() +
                                7 * m_deviceGrid->verticalHeader()->defaultSectionSize() + 20);
    applyColumnWidths();

    // Editor.
    auto *detailsCaption = makeLabel(this, QStringLiteral("lblDetails"), QStringLiteral("Details device"));
    detailsCaption->setFont(titleFont);

    auto *ethernetGroup = new QGroupBox(QStringLiteral(" NETWORK CONFIG "), this);
    ethernetGroup->setObjectName(QStringLiteral("frmConfigEthernet"));
    {
        QWidget *f = ethernetGroup;
        // The editor's names say "Device", apart from the network card's values above.
        makeOctetBoxes(m_macAddressBoxes, f, QStringLiteral("txtMac"), QStringLiteral("Device MAC address"), QStringLiteral("byte"), 2);
        for (QLineEdit *box : m_macAddressBoxes)
            box->setEnabled(false); // shown only: the MAC address comes from the device row
        makeOctetBoxes(m_ipAddressBoxes, f, QStringLiteral("txtIP"), QStringLiteral("Device IP address"), QStringLiteral("octet"), 3);
        makeOctetBoxes(m_subnetMaskBoxes, f, QStringLiteral("txtMask"), QStringLiteral("Device subnet mask"), QStringLiteral("octet"), 3);
        makeOctetBoxes(m_gatewayBoxes, f, QStringLiteral("txtGwy"), QStringLiteral("Device gateway"), QStringLiteral("octet"), 3);
        m_localPortBox = makeBox(f, QStringLiteral("txtLocalPort"), QStringLiteral("Device local port"), 5, false);
        m_remotePortBox = makeBox(f, QStringLiteral("txtRemotePort"), QStringLiteral("Device remote port"), 5, false);
        auto *g = new QGridLayout(f);
        g->setHorizontalSpacing(4);
        g->setVerticalSpacing(4);
        addRow(g, 0, makeHeading(f, QStringLiteral("lblEdMac"), QStringLiteral("MAC ADDRESS"), m_macAddressBoxes[0]), m_macAddressBoxes);
        addRow(g, 1, makeHeading(f, QStringLiteral("lblEdIp"), QStringLiteral("IP ADDRESS"), m_ipAddressBoxes[0]), m_ipAddressBoxes);
        addRow(g, 2, makeHeading(f, QStringLiteral("lblEdMask"), QStringLiteral("SUBNET MASK"), m_subnetMaskBoxes[0]), m_subnetMaskBoxes);
        addRow(g, 3, makeHeading(f, QStringLiteral("lblEdGwy"), QStringLiteral("GATEWAY"), m_gatewayBoxes[0]), m_gatewayBoxes);
        g->addWidget(makeHeading(f, QStringLiteral("lblEdLocalPort"), QStringLiteral("LOCAL PORT"), m_localPortBox), 4, 0);
        g->addWidget(m_localPortBox, 4, 1, 1, 2);
        g->addWidget(makeHeading(f, QStringLiteral("lblEdRemotePort"), QStringLiteral("REMOTE PORT"), m_remotePortBox), 5, 0);
        g->addWidget(m_remotePortBox, 5, 1, 1, 2);
        g->setRowStretch(6, 1);
    }

    auto *uartGroup = new QGroupBox(QStringLiteral(" UART CONFIG "), this);
    uartGroup->setObjectName(QStringLiteral("frmConfigUart"));
    {
        QWidget *f = uartGroup;
        m_serialLists[0] = makeList(f, QStringLiteral("cmbRecord_0"), QStringLiteral("Device UART baud rate"), baudItems());
        m_serialLists[1] = makeList(f, QStringLiteral("cmbRecord_1"), QStringLiteral("Device UART data bits"), dataBitsItems());
        m_serialLists[2] = makeList(f, QStringLiteral("cmbRecord_2"), QStringLiteral("Device UART parity bit"), parityItems());
        m_serialLists[3] = makeList(f, QStringLiteral("cmbRecord_3"), QStringLiteral("Device UART stop bits"), stopBitsItems());
        m_serialLists[4] = makeList(f, QStringLiteral("cmbRecord_4"), QStringLiteral("Device timeout to default serial parameters"),
                                timeoutToDefaultItems());
        m_uartTimeoutBox = makeBox(f, QStringLiteral("txtTimeOut"), QStringLiteral("Device UART timeout (uSec)"), 5, false);
        auto *g = new QGridLayout(f);
        g->setVerticalSpacing(4);
        const auto row = [&](int r, const QString &name, const QString &caption, QWidget *field) {
            g->addWidget(makeHeading(f, name, caption, field), r, 0);
            g->addWidget(field, r, 1, Qt::AlignLeft);
        };
        row(0, QStringLiteral("lblEdBaud"), QStringLiteral("BAUDRATE"), m_serialLists[0]);
        row(1, QStringLiteral("lblEdTimeOut"), QStringLiteral("TIMEOUT (uSec)"), m_uartTimeoutBox);
        row(2, QStringLiteral("lblEdDataBits"), QStringLiteral("DATA BITS"), m_serialLists[1]);
        row(3, QStringLiteral("lblEdParity"), QStringLiteral("PARITY BIT"), m_serialLists[2]);
        row(4, QStringLiteral("lblEdStopBits"), QStringLiteral("STOP BIT"), m_serialLists[3]);
        row(5, QStringLiteral("lblEdTimeoutDefault"), QStringLiteral("Timeout to default"), m_serialLists[4]);
        g->setRowStretch(6, 1);
    }

    auto *sourceFilterGroup = new QGroupBox(QStringLiteral(" Filter IP source "), this);
    sourceFilterGroup->setObjectName(QStringLiteral("frmIpSource"));
    {
        QWidget *f = sourceFilterGroup;
        auto *g = new QGridLayout(f);
        g->setHorizontalSpacing(4);
        g->setVerticalSpacing(4);
        for (int k = 0; k < 4; ++k) {
            const QString heading = QStringLiteral("IP SOURCE %1").arg(k + 1);
            makeOctetBoxes(m_sourceBoxes[std::size_t(k)], f, QStringLiteral("txtSource%1").arg(k + 1),
                           QStringLiteral("Device IP source filter %1").arg(k + 1),
                           QStringLiteral("octet"), 3);
            addRow(g, k, makeHeading(f, QStringLiteral("lblEdSource_%1").arg(k), heading, m_sourceBoxes[std::size_t(k)][0]),
                   m_sourceBoxes[std::size_t(k)]);
        }
        g->setRowStretch(4, 1);
    }

    auto *bridgeGroup = new QGroupBox(QStringLiteral(" Bridge "), this);
    bridgeGroup->setObjectName(QStringLiteral("frmBridge"));
    {
        QWidget *f = bridgeGroup;
        m_bridgeEnabled = new QRadioButton(QStringLiteral("Enable"), f);
        m_bridgeEnabled->setObjectName(QStringLiteral("optEnableB"));
        m_bridgeEnabled->setAccessibleName(QStringLiteral("Device bridge: Enable"));
        m_bridgeDisabled = new QRadioButton(QStringLiteral("Disable"), f);
        m_bridgeDisabled->setObjectName(QStringLiteral("optDisableB"));
        m_bridgeDisabled->setAccessibleName(QStringLiteral("Device bridge: Disable"));
        m_bridgeLocalPortBox = makeBox(f, QStringLiteral("txtLocalPB"), QStringLiteral("Device bridge local port"), 5, false);
        for (int k = 0; k < 5; ++k)
            m_bridgeRemotePortBoxes[std::size_t(k)] = makeBox(f, QStringLiteral("txtRemotePB_%1").arg(k),
                                                  QStringLiteral("Device bridge %1 remote port").arg(k + 1), 5, false);
        for (int k = 0; k < 5; ++k)
            makeOctetBoxes(m_bridgeHostBoxes[std::size_t(k)], f, QStringLiteral("txtIPB%1").arg(k + 1),
                           QStringLiteral("Device bridge %1 IP host").arg(k + 1), QStringLiteral("octet"), 3);

        auto *g = new QGridLayout(f);
        g->setHorizontalSpacing(4);
        g->setVerticalSpacing(4);
        auto *options = new QHBoxLayout;
        options->addWidget(m_bridgeEnabled);
        options->addWidget(m_bridgeDisabled);
        options->addStretch(1);
        g->addLayout(options, 0, 0, 1, 6);
        g->addWidget(makeHeading(f, QStringLiteral("lblEdLocalPB"), QStringLiteral("LOCAL PORT"), m_bridgeLocalPortBox), 1, 0, 1, 2);
        g->addWidget(m_bridgeLocalPortBox, 1, 2, 1, 2);
        g->addWidget(makeHeading(f, QStringLiteral("lblEdRemotePB"), QStringLiteral("REMOTE PORT"), m_bridgeRemotePortBoxes[0]), 2, 0,
                     1, 2);
        g->addWidget(makeHeading(f, QStringLiteral("lblEdIPB"), QStringLiteral("IP HOST"), m_bridgeHostBoxes[0][0]), 2, 2, 1, 4,
                     Qt::AlignHCenter);
        for (int k = 0; k < 5; ++k) {
            g->addWidget(makeLabel(f, QStringLiteral("lblEdBridgeNr_%1").arg(k), QString::number(k + 1)), 3 + k, 0);
            g->addWidget(m_bridgeRemotePortBoxes[std::size_t(k)], 3 + k, 1);
            addRow(g, 3 + k, nullptr, m_bridgeHostBoxes[std::size_t(k)], 2);
        }
        g->setRowStretch(8, 1);
    }

    // Destination of upload and factory setting.
    auto *destinationMacCaption = makeLabel(this, QStringLiteral("lblTitleMacAddrDest"),
                                    QStringLiteral("Mac Address destination upload/factory cmd"));
    auto *destination = new QHBoxLayout;
    destination->setSpacing(4);
    destination->addWidget(destinationMacCaption);
    for (int i = 0; i < 6; ++i) {
        ValueLabel *byte = makeValueLabel(this, QStringLiteral("lblMacAddrDest_%1").arg(i),
                                          QStringLiteral("Destination MAC address, byte %1 of 6").arg(i + 1));
        byte->setFrameShape(QFrame::Panel);
        byte->setFrameShadow(QFrame::Sunken);
        byte->setAlignment(Qt::AlignCenter);
        byte->setFixedWidth(boxWidth(byte, 2));
        m_destinationMacBytes[std::size_t(i)] = byte;
        destination->addWidget(byte);
    }

    // Layout: the card selector; card, status and the grid's buttons; the grid; the editor
    // below.
    auto *selectorRow = new QHBoxLayout;
    selectorRow->addWidget(cardSelectorCaption);
    selectorRow->addWidget(m_cardSelector);
    selectorRow->addSpacing(16);
    selectorRow->addWidget(m_notSearchedMessage, 1);
    selectorRow->addWidget(m_compareButton);
    selectorRow->addWidget(m_clearComparisonButton);

    auto *top = new QHBoxLayout;
    top->addWidget(card);
    top->addSpacing(16);
    top->addWidget(status);
    top->addStretch(1);
    top->addWidget(m_refreshButton);
    top->addWidget(m_searchAddressesButton);
    top->addWidget(m_exportButton);
    top->addWidget(m_exitButton);

    auto *details = new QHBoxLayout;
    details->addWidget(detailsCaption);
    details->addSpacing(24);
    details->addLayout(destination);
    details->addStretch(1);
    details->addWidget(m_uploadSelectedButton);
    details->addWidget(m_factorySettingButton);
    details->addWidget(m_openInProgrammerButton);

    auto *frames = new QHBoxLayout;
    frames->addWidget(ethernetGroup);
    frames->addWidget(uartGroup);
    frames->addWidget(sourceFilterGroup);
    frames->addWidget(bridgeGroup);
    frames->addStretch(1);

    // Tab order as the window reads: the card selector and the buttons on top, the grid, the
    // editor's buttons, then the editor's frames from left to right.
    QList<QWidget *> order{m_cardSelector,        m_compareButton,          m_clearComparisonButton,
                           m_refreshButton,       m_searchAddressesButton,
                           m_exportButton,        m_exitButton,             m_deviceGrid,
                           m_uploadSelectedButton, m_factorySettingButton,  m_openInProgrammerButton};
    for (QLineEdit *box : m_macAddressBoxes)
        order << box;
    order << m_ipAddressBoxes[0] << m_ipAddressBoxes[1] << m_ipAddressBoxes[2] << m_ipAddressBoxes[3] << m_subnetMaskBoxes[0] << m_subnetMaskBoxes[1] << m_subnetMaskBoxes[2] << m_subnetMaskBoxes[3]
          << m_gatewayBoxes[0] << m_gatewayBoxes[1] << m_gatewayBoxes[2] << m_gatewayBoxes[3] << m_localPortBox << m_remotePortBox << m_serialLists[0]
          << m_uartTimeoutBox << m_serialLists[1] << m_serialLists[2] << m_serialLists[3] << m_serialLists[4];
    for (const OctetBoxes &boxes : m_sourceBoxes)
        for (QLineEdit *box : boxes)
            order << box;
    order << m_bridgeEnabled << m_bridgeDisabled << m_bridgeLocalPortBox;
    for (std::size_t k = 0; k < 5; ++k) {
        order << m_bridgeRemotePortBoxes[k];
        for (QLineEdit *box : m_bridgeHostBoxes[k])
            order << box;
    }
    chainTabOrder(order);
    pressFocusedButtonsWithEnter(this);

    auto *main = new QVBoxLayout(this);
    main->setContentsMargins(8, 8, 8, 8);
    main->setSpacing(6);
    main->addLayout(selectorRow);
    main->addLayout(top);
    main->addWidget(m_deviceGrid, 1);
    main->addLayout(details);
    main->addLayout(frames);
}

void DiscoveryWindow::applyColumnWidths()
{
    // Widths are kept in twips; a column is never narrower than its header or its widest
    // usual value, so that no text is cut.
    QHeaderView *header = m_deviceGrid->horizontalHeader();
    const QFontMetrics fm(m_deviceGrid->font());
    const int dpi = logicalDpiX() > 0 ? logicalDpiX() : 96;
    for (int c = 0; c < DeviceGridModel::kSettingsColumns; ++c) {
        const int fromTwips = (DeviceGridModel::columnWidthTwips(c) * dpi + 720) / 1440;
        int forText = fm.horizontalAdvance(QString::fromLatin1(kDiscoveryColumns[std::size_t(c)].widestText)) + 14;
        if (c == DeviceGridModel::kAddressColumn) // room for both flag pictures
            forText += deviceFlagPicture({true, 2}).deviceIndependentSize().toSize().width() + 6;
        header->resizeSection(c, std::max({fromTwips, header->sectionSizeHint(c), forText}));
    }
    sizeCardColumns();
}

void DiscoveryWindow::sizeCardColumns()
{
    // The card column fits the longest card name and address listed.
    QHeaderView *header = m_deviceGrid->horizontalHeader();
    const QFontMetrics fm(m_deviceGrid->font());
    const int dpi = logicalDpiX() > 0 ? logicalDpiX() : 96;
    constexpr int c = DeviceGridModel::kCardColumn;
    int width = std::max((DeviceGridModel::columnWidthTwips(c) * dpi + 720) / 1440, header->sectionSizeHint(c));
    for (const LocalCard &card : std::as_const(m_listedCards))
        width = std::max(width, fm.horizontalAdvance(card.label()) + 14);
    header->resizeSection(c, width);
}

// ---- Load and close ---------------------------------------------------------------------

void DiscoveryWindow::initialize()
{
    // The card list as it is now, for the selector and the "Network card configuration"
    // panel (empty when no card is listed); every discovery reads it again.
    fillCardSelector(m_services.cardSearch().refresh());
    connect(m_cardSelector, &QComboBox::currentIndexChanged, this, &DiscoveryWindow::showPanelCard);

    clearDeviceGrid();
    m_services.state().deviceSelected = false;
}

QString DiscoveryWindow::chosenCard() const
{
    return m_cardSelector->currentData().toString();
}

void DiscoveryWindow::fillCardSelector(const QList<LocalCard> &listed)
{
    m_listedCards = listed;
    const QString chosen = chosenCard();
    const QSignalBlocker quiet(m_cardSelector);
    while (m_cardSelector->count() > 1)
        m_cardSelector->removeItem(1);
    for (const LocalCard &card : searchableCards(listed))
        m_cardSelector->addItem(card.selectorText(), card.name);
    // A chosen card that has gone stays chosen, so that the next search names it again
    // rather than silently searching every card.
    int index = chosen.isEmpty() ? 0 : m_cardSelector->findData(chosen);
    if (index < 0) {
        m_cardSelector->addItem(chosen, chosen);
        index = m_cardSelector->count() - 1;
    }
    m_cardSelector->setCurrentIndex(index);
    sizeCardColumns();
    showPanelCard();
}

void DiscoveryWindow::showCardsSearched(const QList<LocalCard> &listed, const QStringList &notSearched)
{
    fillCardSelector(listed);
    m_notSearchedMessage->setText(notSearched.join(QLatin1Char('\n')));
}

void DiscoveryWindow::showPanelCard()
{
    // Without any card listed the panel keeps what it showed.
    if (m_listedCards.isEmpty())
        return;
    const QString chosen = chosenCard();
    std::optional<LocalCard> shown;
    if (!chosen.isEmpty()) {
        for (const LocalCard &card : std::as_const(m_listedCards))
            if (card.name == chosen)
                shown = card;
    } else {
        if (m_selectedRow >= 0)
            shown = m_grid->cardOf(m_selectedRow);
        if (!shown)
            shown = m_grid->firstAnsweringCard();
        if (!shown) {
            const QList<LocalCard> searchable = searchableCards(m_listedCards);
            if (!searchable.isEmpty())
                shown = searchable.first();
        }
    }
    if (shown)
        showCardInPanel(*shown);
}

void DiscoveryWindow::showCardInPanel(const LocalCard &card)
{
    m_adapterMac->setText(card.macAddress);
    m_adapterIp->setText(card.addressText());
    m_adapterMask->setText(card.netmaskText());
    m_adapterGateway->setText(card.gatewayText());
}

void DiscoveryWindow::closeEvent(QCloseEvent *event)
{
    m_services.state().deviceSelected = false;
    QWidget::closeEvent(event);
}

void DiscoveryWindow::setExportPathChooser(std::function<QString(QWidget *parent)> chooser)
{
    m_exportPathChooser = std::move(chooser);
}

void DiscoveryWindow::setSheetPathChooser(std::function<QString(QWidget *parent)> chooser)
{
    m_sheetPathChooser = std::move(chooser);
}

void DiscoveryWindow::compareWithSheet()
{
    const QString path = m_sheetPathChooser
                             ? m_sheetPathChooser(this)
                             : QFileDialog::getOpenFileName(this, QStringLiteral("Compare with a sheet"), QString(),
                                                            QStringLiteral("CSV files (*.csv);;All files (*)"));
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        warn(QStringLiteral("The sheet %1 could not be read: %2").arg(path, file.errorString()));
        return;
    }
    SiteSheet sheet = parseSiteSheet(file.readAll(), QFileInfo(path).fileName());
    if (!sheet.ok()) {
        warn(sheet.error);
        return;
    }
    m_sheetName = QFileInfo(path).fileName();
    m_grid->setComparison(std::move(sheet));
    m_clearComparisonButton->setEnabled(true);
    showComparison();
}

void DiscoveryWindow::clearComparison()
{
    m_grid->setComparison(std::nullopt);
    m_clearComparisonButton->setEnabled(false);
    showComparison();
}

void DiscoveryWindow::showComparison()
{
    if (!m_grid->hasComparison()) {
        m_comparisonSummary->hide();
        return;
    }
    QMap<UnitCheck::Status, int> counts;
    for (const UnitCheck &check : m_grid->comparison())
        ++counts[check.status];
    QStringList parts;
    for (UnitCheck::Status status : {UnitCheck::Status::Matches, UnitCheck::Status::Differs, UnitCheck::Status::Missing,
                                     UnitCheck::Status::Replaced, UnitCheck::Status::NotInSheet})
        if (counts.value(status) > 0)
            parts << QStringLiteral("%1 %2").arg(counts.value(status)).arg(statusText(status));
    m_comparisonSummary->setText(QStringLiteral("Compared with %1: %2").arg(m_sheetName, parts.join(QStringLiteral(", "))));
    m_comparisonSummary->show();
}

void DiscoveryWindow::onRefreshClicked()
{
    sendDiscoveryRequest(m_services);
    // The last search by address is repeated too.
    if (!m_lastSearch.isEmpty())
        startSearch();
}

void DiscoveryWindow::startSearch()
{
    m_addressScan->start(m_lastSearch, m_lastSearchRate, 1);
    if (m_searchDialog)
        m_searchDialog->showStarted(int(m_lastSearch.size()));
}

void DiscoveryWindow::openAddressSearch()
{
    if (!m_searchDialog) {
        m_searchDialog = new AddressSearchDialog(this);
        m_searchDialog->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_searchDialog, &AddressSearchDialog::searchRequested, this, &DiscoveryWindow::searchAddresses);
        connect(m_searchDialog, &AddressSearchDialog::cancelRequested, m_addressScan, &AddressScan::cancel);
        connect(m_addressScan, &AddressScan::progress, m_searchDialog,
                [this](int asked, int roundSize, int round) {
                    m_searchDialog->showProgress(asked, roundSize, round, int(m_addressScan->found().size()));
                });
        connect(m_addressScan, &AddressScan::finished, m_searchDialog, [this] {
            m_searchDialog->showFinished(int(m_addressScan->found().size()), m_addressScan->failedSends(),
                                         m_addressScan->firstSendError(), m_addressScan->wasCancelled());
        });
    }
    m_searchDialog->show();
    m_searchDialog->raise();
    m_searchDialog->activateWindow();
}

bool DiscoveryWindow::searchAddresses(const QStringList &ranges, int ratePerSecond)
{
    const Checked<QList<quint32>> addresses = scanAddresses(ranges);
    if (!addresses.ok()) {
        if (m_searchDialog)
            m_searchDialog->showRefusal(addresses.refusal);
        return false;
    }
    m_lastSearch = *addresses.value;
    m_lastSearchRate = ratePerSecond;
    showSearching();
    startSearch();
    return true;
}

bool DiscoveryWindow::claimsSettingsReply(quint32 source) const
{
    return m_addressScan->claims(source);
}

void DiscoveryWindow::takeSettingsReply(const SettingsBlock &settings, int length, const ReplyOrigin &origin)
{
    m_addressScan->takeReply(origin.sourceAddress, settings, length, origin.card);
}

void DiscoveryWindow::openSelectedInProgrammer()
{
    if (!m_grid->isFoundByAddress(m_selectedRow))
        return;
    // The address that answered is the one that reaches the device.
    Q_EMIT programmerRequested(m_grid->answeredFrom(m_selectedRow));
}

void DiscoveryWindow::enableRowButtons(int deviceRow)
{
    const bool byAddress = m_grid->isFoundByAddress(deviceRow);
    // A write by MAC address goes to the multicast group, which does not cross routers,
    // and would send the empty source filter and bridge of such a row.
    m_uploadSelectedButton->setEnabled(!byAddress);
    m_factorySettingButton->setEnabled(!byAddress);
    m_openInProgrammerButton->setEnabled(byAddress);
}

// ---- grid and status --------------------------------------------------------------------

void DiscoveryWindow::showStatus(const QString &text, QLabel *indicator)
{
    m_statusMessage->setText(text);
    for (QLabel *img : {m_searchingIcon, m_foundIcon, m_notFoundIcon})
        img->setVisible(img == indicator);
}

void DiscoveryWindow::clearDeviceGrid()
{
    m_grid->clear();
    m_selectedRow = -1;
    enableRowButtons(-1);
    m_answeringCardShown = false;
    showStatus(QString(), nullptr);
    m_droppedAtClear = m_services.endpoint().droppedDatagrams();
    m_lostReplies->hide();
    m_services.state().gridRowCount = 1;
    applyColumnWidths();
}

void DiscoveryWindow::addDevices(const QList<DeviceReply> &devices)
{
    ProgramState &state = m_services.state();
    bool listed = false;
    m_grid->beginRowBatch();
    for (const DeviceReply &device : devices) {
        // gridRowCount is 16-bit: a grid that full takes no further rows.
        if (state.gridRowCount >= std::numeric_limits<qint16>::max())
            break;
        m_grid->appendDevice(device.record, device.recordLength, device.origin.card);
        state.gridRowCount = qint16(m_grid->deviceCount() + 1);
        listed = true;
        if (device.origin.card && !m_answeringCardShown) {
            m_answeringCardShown = true;
            showPanelCard();
        }
    }
    m_grid->endRowBatch();
    if (listed) {
        makeNewestRowCurrent();
        showDeviceCount();
    }
    showLostReplies();
}

void DiscoveryWindow::showDeviceCount()
{
    showStatus(QStringLiteral("Found ") + QString::number(m_services.state().gridRowCount - 1) + QStringLiteral(" Device"),
               m_foundIcon);
}

void DiscoveryWindow::showLostReplies()
{
    if (!m_services.endpoint().countsDroppedDatagrams()) {
        // Windows keeps no count of the datagrams a socket dropped: say so rather than
        // suggest that none was lost.
        m_lostReplies->setText(QStringLiteral("Replies lost by the system cannot be counted here"));
        m_lostReplies->setToolTip(QStringLiteral("This system does not count the replies it drops when its receive "
                                               "buffer is full; refresh to be sure every device is listed."));
        m_lostReplies->show();
        return;
    }
    const quint64 dropped = m_services.endpoint().droppedDatagrams();
    const quint64 lost = dropped > m_droppedAtClear ? dropped - m_droppedAtClear : 0;
    if (lost == 0) {
        m_lostReplies->hide();
        return;
    }
    m_lostReplies->setText(QStringLiteral("%1 %2 lost by the system: raise net.core.rmem_max, see README")
                             .arg(lost)
                             .arg(lost == 1 ? QStringLiteral("reply") : QStringLiteral("replies")));
    m_lostReplies->show();
}

void DiscoveryWindow::makeNewestRowCurrent()
{
    if (m_grid->deviceCount() == 0)
        return;
    // The newest row becomes the current one, without scrolling the user's view to it.
    const QModelIndex current = m_deviceGrid->currentIndex();
    const bool autoScroll = m_deviceGrid->hasAutoScroll();
    m_deviceGrid->setAutoScroll(false);
    m_deviceGrid->selectionModel()->setCurrentIndex(
        m_grid->index(m_grid->deviceCount() - 1, current.isValid() ? current.column() : 0), QItemSelectionModel::NoUpdate);
    m_deviceGrid->setAutoScroll(autoScroll);
}

void DiscoveryWindow::showSearching()
{
    showStatus(QStringLiteral("Searching..."), m_searchingIcon);
}

void DiscoveryWindow::showNoDeviceFound()
{
    showStatus(QStringLiteral("No Device Found"), m_notFoundIcon);
    showLostReplies();
}

// ---- Device details editor --------------------------------------------------------------

void DiscoveryWindow::clickGridRow(int gridRow)
{
    if (gridRow >= 1 && gridRow <= m_grid->deviceCount())
        m_deviceGrid->setCurrentIndex(m_grid->index(gridRow - 1, 0));
    else
        m_deviceGrid->setCurrentIndex(QModelIndex());
    onDeviceRowClicked();
}

void DiscoveryWindow::onDeviceRowClicked()
{
    // Only a device row is a selection: the header row and an empty grid change nothing.
    const QModelIndex current = m_deviceGrid->currentIndex();
    const DiscoveryRecord *record = current.isValid() ? m_grid->recordOf(current.row()) : nullptr;
    if (!record)
        return;
    const int row = current.row();
    m_grid->highlightRow(row, QColor(Qt::blue), QColor(Qt::white));
    enableRowButtons(row);
    const int recordLength = m_grid->recordLengthOf(row);
    fillEditor(editorTextsFromRecord(*record, recordLength));

    // A reply too short to carry the MAC address names no device: it is not taken as
    // destination.
    ProgramState &state = m_services.state();
    state.deviceSelected = kDiscoveryColumns[0].carriedBy(recordLength);
    if (!state.deviceSelected)
        return;
    state.destinationMac = record->mac;
    m_destinationCard = m_grid->cardOf(row);
    m_selectedRow = row;
    showPanelCard();
    for (std::size_t i = 0; i < m_destinationMacBytes.size(); ++i)
        m_destinationMacBytes[i]->setText(macByteText(record->mac[i]));
}

void DiscoveryWindow::fillEditor(const DeviceEditorTexts &t)
{
    const auto fill = [](const auto &boxes, const auto &texts) {
        for (std::size_t i = 0; i < boxes.size(); ++i)
            boxes[i]->setText(texts[i]);
    };
    fill(m_macAddressBoxes, t.mac);
    fill(m_ipAddressBoxes, t.ip);
    fill(m_subnetMaskBoxes, t.mask);
    fill(m_gatewayBoxes, t.gateway);
    m_localPortBox->setText(t.localPort);
    m_remotePortBox->setText(t.remotePort);
    m_serialLists[0]->setCurrentIndex(t.baudIndex);
    m_uartTimeoutBox->setText(t.timeout);
    m_serialLists[1]->setCurrentIndex(t.dataBitsIndex);
    m_serialLists[2]->setCurrentIndex(t.parityIndex);
    m_serialLists[3]->setCurrentIndex(t.stopBitsIndex);
    m_serialLists[4]->setCurrentIndex(t.timeoutToDefaultIndex);
    for (std::size_t k = 0; k < m_sourceBoxes.size(); ++k)
        fill(m_sourceBoxes[k], t.sources[k]);
    (t.bridgeEnabled.value_or(false) ? m_bridgeEnabled : m_bridgeDisabled)->setChecked(true);
    m_bridgeLocalPortBox->setText(t.bridgeLocalPort);
    fill(m_bridgeRemotePortBoxes, t.bridgeRemotePorts);
    for (std::size_t k = 0; k < m_bridgeHostBoxes.size(); ++k)
        fill(m_bridgeHostBoxes[k], t.bridgeIps[k]);
}

// ---- Upload and factory setting ---------------------------------------------------------

void DiscoveryWindow::warn(const QString &text)
{
    m_services.messages().show(text, QStringLiteral("Message Warning"), MessageIcon::Exclamation);
}

void DiscoveryWindow::uploadSelectedDevice()
{
    ProgramState &state = m_services.state();
    if (!state.deviceSelected) {
        warn(QStringLiteral("WARNING! First select a device"));
        return;
    }
    if (m_grid->isFoundByAddress(m_selectedRow))
        return; // its button is disabled: a write by MAC address does not cross routers

    // The checks of every field, in their fixed order; the first that fails is reported.
    const Checked<DiscoveryRecord> settings = checkDeviceUpload(editorTexts());
    if (!settings.ok()) {
        warn(settings.refusal);
        return;
    }
    DeviceUploadBlock block;
    block.destination = state.destinationMac;
    block.settings = *settings.value;
    sendToSelectedDevice(CmdUploadSelected, encodeDeviceUploadBlock(block));
}

DeviceEditorTexts DiscoveryWindow::editorTexts() const
{
    DeviceEditorTexts t;
    const auto texts = [](const OctetBoxes &boxes) {
        std::array<QString, 4> out;
        for (std::size_t i = 0; i < 4; ++i)
            out[i] = boxes[i]->text();
        return out;
    };
    for (std::size_t i = 0; i < 6; ++i)
        t.mac[i] = m_macAddressBoxes[i]->text();
    t.ip = texts(m_ipAddressBoxes);
    t.mask = texts(m_subnetMaskBoxes);
    t.gateway = texts(m_gatewayBoxes);
    t.localPort = m_localPortBox->text();
    t.remotePort = m_remotePortBox->text();
    t.baudIndex = m_serialLists[0]->currentIndex();
    t.timeout = m_uartTimeoutBox->text();
    t.dataBitsIndex = m_serialLists[1]->currentIndex();
    t.parityIndex = m_serialLists[2]->currentIndex();
    t.stopBitsIndex = m_serialLists[3]->currentIndex();
    t.timeoutToDefaultIndex = m_serialLists[4]->currentIndex();
    for (std::size_t k = 0; k < 4; ++k)
        t.sources[k] = texts(m_sourceBoxes[k]);
    if (m_bridgeEnabled->isChecked())
        t.bridgeEnabled = true;
    else if (m_bridgeDisabled->isChecked())
        t.bridgeEnabled = false;
    t.bridgeLocalPort = m_bridgeLocalPortBox->text();
    for (std::size_t k = 0; k < 5; ++k)
        t.bridgeRemotePorts[k] = m_bridgeRemotePortBoxes[k]->text();
    for (std::size_t k = 0; k < 5; ++k)
        t.bridgeIps[k] = texts(m_bridgeHostBoxes[k]);
    return t;
}

void DiscoveryWindow::restoreFactorySetting()
{
    ProgramState &state = m_services.state();
    if (!state.deviceSelected) {
        warn(QStringLiteral("WARNING! First select a device "));
        return;
    }
    if (m_grid->isFoundByAddress(m_selectedRow))
        return;
    QByteArray data;
    for (quint8 byte : state.destinationMac)
        data.append(char(byte));
    sendToSelectedDevice(CmdFactorySetting, data);
}

void DiscoveryWindow::sendToSelectedDevice(quint8 cmd, const QByteArray &data)
{
    Link &link = m_services.link();
    if (!m_destinationCard) {
        // The device answered on no known card: the group is reached by routing.
        link.sendFrame(cmd, data, Destination::group(), kReplyTimeoutMs);
        return;
    }
    const SendResult result =
        link.sendFrameThroughCard(cmd, data, Destination::group(), NetworkCard{m_destinationCard->index, m_destinationCard->address},
                                  kReplyTimeoutMs);
    // A local port that could not be opened has been reported already.
    if (!result.ok && m_services.endpoint().isBound()) {
        m_services.messages().show(
            result.errorText + QStringLiteral("\n(network card %1)").arg(m_destinationCard->label()),
            QStringLiteral("Errore ") + QString::number(result.errorNumber), MessageIcon::Exclamation);
    }
}

// ---- Export -----------------------------------------------------------------------------

void DiscoveryWindow::exportDevices()
{
    const QString path = m_exportPathChooser
                             ? m_exportPathChooser(this)
                             : QFileDialog::getSaveFileName(this, QStringLiteral("Export the listed devices"),
                                                            QStringLiteral("devices.csv"),
                                                            QStringLiteral("CSV files (*.csv);;All files (*)"));
    if (path.isEmpty())
        return;
    // The grid's columns are the discovery record's fields, in the same order as its keys,
    // then the card, as qvxctl writes them.
    QStringList header = discoveryFieldKeys();
    header << kCardKey;
    QList<QStringList> rows;
    for (int d = 0; d < m_grid->deviceCount(); ++d) {
        QStringList cells;
        for (int column = 0; column < DeviceGridModel::kColumns; ++column)
            cells << m_grid->cell(d, column);
        rows << cells;
    }
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(csvText(header, rows)) >= 0 && file.commit())
        return;
    m_services.messages().show(QStringLiteral("The devices could not be exported to %1:\n%2").arg(path, file.errorString()),
                               QStringLiteral("Message Warning"), MessageIcon::Exclamation);
}

} // namespace qvx
