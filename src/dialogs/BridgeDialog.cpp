#include "dialogs/BridgeDialog.h"

#include "services/ProgramServices.h"
#include "accessibility/Accessibility.h"
#include "dialogs/EntryRules.h"
#include "dialogs/WriteSenders.h"
#include "protocol/Commands.h"
#include "protocol/Layouts.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
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

    bridgeGroup = new QGroupBox(QStringLiteral(" BRIDGE IP DESTINATIONS "), this);
    bridgeGroup->setObjectName(QStringLiteral("frmBridge"));
    auto *rows = new QGridLayout(bridgeGroup);

    const int octetWidth = fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 12;
    for (int k = 0; k < 5; ++k) {
        const QString rowName = QStringLiteral("BRIDGE %1").arg(k + 1);
        int column = 0;

        QLabel *caption = new QLabel(rowName + QStringLiteral(" -->"), bridgeGroup);
        caption->setObjectName(QStringLiteral("lblBridge_%1").arg(k));
        destinationCaptions[k] = caption;
        rows->addWidget(caption, k, column++);

        QLabel *ipCaption = new QLabel(QStringLiteral("IP-Address:"), bridgeGroup);
        ipCaption->setObjectName(QStringLiteral("lblIPB_%1").arg(k));
        addressCaptions[k] = ipCaption;
        rows->addWidget(ipCaption, k, column++);

        std::array<QLineEdit *, 4> &boxes = bridgeBoxes(k);
        for (int i = 0; i < 4; ++i) {
            auto *box = new QLineEdit(QStringLiteral("0"), bridgeGroup);
            box->setObjectName(QStringLiteral("txtBridgeIP%1_%2").arg(k + 1).arg(i));
            box->setAccessibleName(QStringLiteral("%1 IP-Address: octet %2 of 4").arg(rowName).arg(i + 1));
            box->setMaxLength(3);
            box->setFixedWidth(octetWidth);
            box->setAlignment(Qt::AlignCenter);
            boxes[i] = box;
            rows->addWidget(box, k, column++);
            connect(box, &QLineEdit::textChanged, this, [this, k, i] {
                switch (k) {
                case 0: onBridge1Edited(i); break;
                case 1: onBridge2Edited(i); break;
                case 2: onBridge3Edited(i); break;
                case 3: onBridge4Edited(i); break;
                default: onBridge5Edited(i); break;
                }
            });
        }
        ipCaption->setBuddy(boxes[0]);

        QLabel *portCaption = new QLabel(QStringLiteral("--> Remote Port:"), bridgeGroup);
        portCaption->setObjectName(QStringLiteral("lblRemotePortB_%1").arg(k));
        remotePortCaptions[k] = portCaption;
        rows->addWidget(portCaption, k, column++);

        auto *port = new QLineEdit(bridgeGroup);
        port->setObjectName(QStringLiteral("txtRemotePortB_%1").arg(k));
        port->setAccessibleName(rowName + QStringLiteral(" Remote Port"));
        port->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 12);
        bridgeRemotePortBoxes[k] = port;
        portCaption->setBuddy(port);
        rows->addWidget(port, k, column++);
        connect(port, &QLineEdit::textChanged, this, [this, k] { onRemotePortEdited(k); });
    }

    localPortCaption = new QLabel(QStringLiteral("BRIDGE LOCAL PORT:"), this);
    localPortCaption->setObjectName(QStringLiteral("lblLocalPortB"));
    bridgeLocalPortBox = new QLineEdit(this);
    bridgeLocalPortBox->setObjectName(QStringLiteral("txtLocalPortB"));
    bridgeLocalPortBox->setAccessibleName(QStringLiteral("BRIDGE LOCAL PORT"));
    bridgeLocalPortBox->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 12);
    localPortCaption->setBuddy(bridgeLocalPortBox);
    connect(bridgeLocalPortBox, &QLineEdit::textChanged, this, &BridgeDialog::onLocalPortEdited);

    statusGroup = new QGroupBox(QStringLiteral(" STATUS BRIDGE "), this);
    statusGroup->setObjectName(QStringLiteral("frmStatusB"));
    bridgeEnabled = new QRadioButton(QStringLiteral("Enable"), statusGroup);
    bridgeEnabled->setObjectName(QStringLiteral("optEnableB"));
    bridgeEnabled->setAccessibleName(QStringLiteral("Bridge status: Enable"));
    bridgeDisabled = new QRadioButton(QStringLiteral("Disable"), statusGroup);
    bridgeDisabled->setObjectName(QStringLiteral("optDisableB"));
    bridgeDisabled->setAccessibleName(QStringLiteral("Bridge status: Disable"));
    auto *status = new QHBoxLayout(statusGroup);
    status->addWidget(bridgeEnabled);
    status->addWidget(bridgeDisabled);

    downloadButton = new QPushButton(QStringLiteral("Download"), this);
    downloadButton->setObjectName(QStringLiteral("cmdDownloadBridgeIP"));
    downloadButton->setAutoDefault(false);
    uploadButton = new QPushButton(QStringLiteral("Upload"), this);
    uploadButton->setObjectName(QStringLiteral("cmdUploadBridgeIP"));
    uploadButton->setAutoDefault(false);
    connect(downloadButton, &QPushButton::clicked, this, &BridgeDialog::downloadBridge);
    connect(uploadButton, &QPushButton::clicked, this, &BridgeDialog::uploadBridge);

    noteLabel = new QLabel(QStringLiteral("If all bridge are to 0.0.0.0, tx ethernet is disabled"), this);
    noteLabel->setObjectName(QStringLiteral("lblNote"));

    auto *lower = new QHBoxLayout;
    lower->addWidget(localPortCaption);
    lower->addWidget(bridgeLocalPortBox);
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
        order.append(QList<QWidget *>(bridgeBoxes(k).begin(), bridgeBoxes(k).end()));
        order << bridgeRemotePortBoxes[k];
    }
    order << bridgeLocalPortBox << bridgeEnabled << bridgeDisabled << downloadButton << uploadButton;
    chainTabOrder(order);
    pressFocusedButtonsWithEnter(this);
}

std::array<QLineEdit *, 4> &BridgeDialog::bridgeBoxes(int destination)
{
    switch (destination) {
    case 0: return bridge1Boxes;
    case 1: return bridge2Boxes;
    case 2: return bridge3Boxes;
    case 3: return bridge4Boxes;
    default: return bridge5Boxes;
    }
}

void BridgeDialog::storeOctet(int destination, int index)
{
    if (index < 0 || index > 3)
        return;
    m_services.state().bridgeAddresses[destination][index] = octetEntryValue(bridgeBoxes(destination)[index]->text());
}

void BridgeDialog::onBridge1Edited(int index) { storeOctet(0, index); }
void BridgeDialog::onBridge2Edited(int index) { storeOctet(1, index); }
void BridgeDialog::onBridge3Edited(int index) { storeOctet(2, index); }
void BridgeDialog::onBridge4Edited(int index) { storeOctet(3, index); }
void BridgeDialog::onBridge5Edited(int index) { storeOctet(4, index); }

void BridgeDialog::onLocalPortEdited()
{
    m_services.state().bridgeLocalPort = portEntryValue(bridgeLocalPortBox->text());
}

void BridgeDialog::onRemotePortEdited(int index)
{
    if (index < 0 || index > 4)
        return;
    m_services.state().bridgeRemotePorts[index] = portEntryValue(bridgeRemotePortBoxes[index]->text());
}

void BridgeDialog::showBridgeSettings(const BridgeBlock &block, int length)
{
    const auto covers = [length](int offset, int width) { return length >= offset + width; };

    // Each box is stored again after its text is set: a box that already showed the same
    // text raises no change, and what is shown must be what an upload sends.
    if (covers(kStatusOffset, 1))
        (block.enabled ? bridgeEnabled : bridgeDisabled)->setChecked(true);
    if (covers(kLocalPortOffset, 2)) {
        bridgeLocalPortBox->setText(QString::number(block.localPort));
        onLocalPortEdited();
    }
    for (int k = 0; k < 5; ++k) {
        if (!covers(kRemotePortOffset + 2 * k, 2))
            break;
        bridgeRemotePortBoxes[k]->setText(QString::number(block.remotePorts[k]));
        onRemotePortEdited(k);
    }
    for (int k = 0; k < 5; ++k) {
        for (int i = 0; i < 4; ++i) {
            if (!covers(kAddressOffset + 4 * k + i, 1))
                return;
            bridgeBoxes(k)[i]->setText(QString::number(block.ips[k][i]));
            storeOctet(k, i);
        }
    }
}

void BridgeDialog::downloadBridge()
{
    m_services.link().sendCommand(CmdDownloadBridge);
}

void BridgeDialog::uploadBridge()
{
    startWriteSequence(m_services, CmdUploadBridge, bridgeBlock);
}

} // namespace qvx
