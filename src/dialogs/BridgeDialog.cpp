#include "dialogs/BridgeDialog.h"

#include "services/ProgramServices.h"
#include "accessibility/Accessibility.h"
#include "accessibility/OctetRow.h"
#include "dialogs/EntryRules.h"
#include "protocol/FieldRules.h"
#include "protocol/MessageSink.h"
#include "protocol/WriteSequence.h"
#include "protocol/Commands.h"
#include "protocol/Layouts.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace qvx {

namespace {

// Offsets in the bridge block: status, local port, remote ports 1..5, addresses 1..5.
constexpr int kStatusOffset = 0;
constexpr int kLocalPortOffset = 1;
constexpr int kRemotePortOffset = 3;
constexpr int kAddressOffset = 13;

} // namespace

BridgeDialog::BridgeDialog(ProgramServices &services, QWidget *parent) : QDialog(parent), m_services(services)
{
    setObjectName(QStringLiteral("frm06Bridge"));
    setWindowTitle(QStringLiteral("Bridge IP destinations"));
    setModal(false);

    auto *bridgeGroup = new QGroupBox(QStringLiteral(" BRIDGE IP DESTINATIONS "), this);
    bridgeGroup->setObjectName(QStringLiteral("frmBridge"));
    auto *rows = new QGridLayout(bridgeGroup);

    for (int k = 0; k < 5; ++k) {
        const QString rowName = QStringLiteral("BRIDGE %1").arg(k + 1);
        int column = 0;

        QLabel *caption = new QLabel(rowName + QStringLiteral(" -->"), bridgeGroup);
        caption->setObjectName(QStringLiteral("lblBridge_%1").arg(k));
        rows->addWidget(caption, k, column++);

        QLabel *ipCaption = new QLabel(QStringLiteral("IP-Address:"), bridgeGroup);
        ipCaption->setObjectName(QStringLiteral("lblIPB_%1").arg(k));
        rows->addWidget(ipCaption, k, column++);

        m_addressRows[k] = new OctetRow(4, QStringLiteral("txtBridgeIP%1").arg(k + 1), rowName + QStringLiteral(" IP-Address"),
                                        QStringLiteral("octet"), OctetRow::Look::ThreeDigits, bridgeGroup);
        rows->addWidget(m_addressRows[k], k, column++);
        ipCaption->setBuddy(m_addressRows[k]->box(0));

        QLabel *portCaption = new QLabel(QStringLiteral("--> Remote Port:"), bridgeGroup);
        portCaption->setObjectName(QStringLiteral("lblRemotePortB_%1").arg(k));
        rows->addWidget(portCaption, k, column++);

        auto *port = new QLineEdit(bridgeGroup);
        port->setObjectName(QStringLiteral("txtRemotePortB_%1").arg(k));
        port->setAccessibleName(rowName + QStringLiteral(" Remote Port"));
        port->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 12);
        m_remotePortBoxes[k] = port;
        portCaption->setBuddy(port);
        rows->addWidget(port, k, column++);
    }

    auto *localPortCaption = new QLabel(QStringLiteral("BRIDGE LOCAL PORT:"), this);
    localPortCaption->setObjectName(QStringLiteral("lblLocalPortB"));
    m_localPortBox = new QLineEdit(this);
    m_localPortBox->setObjectName(QStringLiteral("txtLocalPortB"));
    m_localPortBox->setAccessibleName(QStringLiteral("BRIDGE LOCAL PORT"));
    m_localPortBox->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 12);
    localPortCaption->setBuddy(m_localPortBox);

    auto *statusGroup = new QGroupBox(QStringLiteral(" STATUS BRIDGE "), this);
    statusGroup->setObjectName(QStringLiteral("frmStatusB"));
    m_enabledOption = new QRadioButton(QStringLiteral("Enable"), statusGroup);
    m_enabledOption->setObjectName(QStringLiteral("optEnableB"));
    m_enabledOption->setAccessibleName(QStringLiteral("Bridge status: Enable"));
    m_disabledOption = new QRadioButton(QStringLiteral("Disable"), statusGroup);
    m_disabledOption->setObjectName(QStringLiteral("optDisableB"));
    m_disabledOption->setAccessibleName(QStringLiteral("Bridge status: Disable"));
    auto *status = new QHBoxLayout(statusGroup);
    status->addWidget(m_enabledOption);
    status->addWidget(m_disabledOption);

    auto *downloadButton = new QPushButton(QStringLiteral("Download"), this);
    downloadButton->setObjectName(QStringLiteral("cmdDownloadBridgeIP"));
    downloadButton->setAutoDefault(false);
    auto *uploadButton = new QPushButton(QStringLiteral("Upload"), this);
    uploadButton->setObjectName(QStringLiteral("cmdUploadBridgeIP"));
    uploadButton->setAutoDefault(false);
    connect(downloadButton, &QPushButton::clicked, this, [this] { m_services.link().sendCommand(CmdDownloadBridge); });
    connect(uploadButton, &QPushButton::clicked, this, &BridgeDialog::uploadBridge);

    auto *noteLabel = new QLabel(QStringLiteral("If all bridge are to 0.0.0.0, tx ethernet is disabled"), this);
    noteLabel->setObjectName(QStringLiteral("lblNote"));

    auto *lower = new QHBoxLayout;
    lower->addWidget(localPortCaption);
    lower->addWidget(m_localPortBox);
    lower->addSpacing(16);
    lower->addWidget(statusGroup);
    lower->addStretch();
    lower->addWidget(downloadButton);
    lower->addWidget(uploadButton);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(bridgeGroup);
    layout->addLayout(lower);
    layout->addWidget(noteLabel);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Tab: each destination's address and remote port, row by row, then the line below.
    QList<QWidget *> order;
    for (int k = 0; k < 5; ++k) {
        for (QLineEdit *box : m_addressRows[k]->boxes())
            order << box;
        order << m_remotePortBoxes[k];
    }
    order << m_localPortBox << m_enabledOption << m_disabledOption << downloadButton << uploadButton;
    chainTabOrder(order);
    pressFocusedButtonsWithEnter(this);
}

BridgeDialog::Values BridgeDialog::values() const
{
    Values v;
    v.enabled = m_enabledOption->isChecked();
    v.localPort = portEntryValue(m_localPortBox->text());
    for (std::size_t k = 0; k < 5; ++k) {
        v.remotePorts[k] = portEntryValue(m_remotePortBoxes[k]->text());
        for (std::size_t i = 0; i < 4; ++i)
            v.ips[k][i] = octetEntryValue(m_addressRows[k]->box(i)->text());
    }
    return v;
}

void BridgeDialog::showBridgeSettings(const BridgeBlock &block, int length)
{
    const auto covers = [length](int offset, int width) { return length >= offset + width; };
    if (covers(kStatusOffset, 1))
        (block.enabled ? m_enabledOption : m_disabledOption)->setChecked(true);
    if (covers(kLocalPortOffset, 2))
        m_localPortBox->setText(QString::number(block.localPort));
    for (int k = 0; k < 5; ++k) {
        if (!covers(kRemotePortOffset + 2 * k, 2))
            break;
        m_remotePortBoxes[k]->setText(QString::number(block.remotePorts[k]));
    }
    for (int k = 0; k < 5; ++k) {
        for (int i = 0; i < 4; ++i) {
            if (!covers(kAddressOffset + 4 * k + i, 1))
                return;
            m_addressRows[k]->box(i)->setText(QString::number(block.ips[k][i]));
        }
    }
}

void BridgeDialog::uploadBridge()
{
    // The dialog as it is when the write is due; a dialog closed by then (it is deleted
    // soon after) sends what it showed at the press.
    const QPointer<BridgeDialog> dialog(this);
    ProgramServices &services = m_services;
    const Values pressed = values();
    services.writeSequence().start(
        CmdUploadBridge,
        [dialog, &services, pressed]() -> std::optional<QByteArray> {
            const Values v = dialog && dialog->isVisible() ? dialog->values() : pressed;
            const Checked<BridgeBlock> block = checkBridgeSettings(v.enabled, v.localPort, v.remotePorts, v.ips);
            if (!block.ok()) {
                services.messages().show(block.refusal, kRefusedWriteTitle, MessageIcon::Exclamation);
                return std::nullopt;
            }
            return encodeBridgeBlock(*block.value);
        },
        kDeferredWriteMs);
}

} // namespace qvx
