#include "dialogs/frm06Bridge.h"

#include "app/AppContext.h"
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

frm06Bridge::frm06Bridge(AppContext &ctx, QWidget *parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("frm06Bridge"));
    setWindowTitle(QStringLiteral("Bridge IP destinations"));
    setModal(false);

    frmBridge = new QGroupBox(QStringLiteral(" BRIDGE IP DESTINATIONS "), this);
    frmBridge->setObjectName(QStringLiteral("frmBridge"));
    auto *rows = new QGridLayout(frmBridge);

    const int octetWidth = fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 12;
    for (int k = 0; k < 5; ++k) {
        const QString rowName = QStringLiteral("BRIDGE %1").arg(k + 1);
        int column = 0;

        QLabel *caption = new QLabel(rowName + QStringLiteral(" -->"), frmBridge);
        caption->setObjectName(QStringLiteral("lblBridge_%1").arg(k));
        lblBridge[k] = caption;
        rows->addWidget(caption, k, column++);

        QLabel *ipCaption = new QLabel(QStringLiteral("IP-Address:"), frmBridge);
        ipCaption->setObjectName(QStringLiteral("lblIPB_%1").arg(k));
        lblIPB[k] = ipCaption;
        rows->addWidget(ipCaption, k, column++);

        std::array<QLineEdit *, 4> &boxes = bridgeBoxes(k);
        for (int i = 0; i < 4; ++i) {
            auto *box = new QLineEdit(QStringLiteral("0"), frmBridge);
            box->setObjectName(QStringLiteral("txtBridgeIP%1_%2").arg(k + 1).arg(i));
            box->setAccessibleName(QStringLiteral("%1 IP-Address: octet %2 of 4").arg(rowName).arg(i + 1));
            box->setMaxLength(3);
            box->setFixedWidth(octetWidth);
            box->setAlignment(Qt::AlignCenter);
            boxes[i] = box;
            rows->addWidget(box, k, column++);
            connect(box, &QLineEdit::textChanged, this, [this, k, i] {
                switch (k) {
                case 0: txtBridgeIP1_Change(i); break;
                case 1: txtBridgeIP2_Change(i); break;
                case 2: txtBridgeIP3_Change(i); break;
                case 3: txtBridgeIP4_Change(i); break;
                default: txtBridgeIP5_Change(i); break;
                }
            });
        }
        ipCaption->setBuddy(boxes[0]);

        QLabel *portCaption = new QLabel(QStringLiteral("--> Remote Port:"), frmBridge);
        portCaption->setObjectName(QStringLiteral("lblRemotePortB_%1").arg(k));
        lblRemotePortB[k] = portCaption;
        rows->addWidget(portCaption, k, column++);

        auto *port = new QLineEdit(frmBridge);
        port->setObjectName(QStringLiteral("txtRemotePortB_%1").arg(k));
        port->setAccessibleName(rowName + QStringLiteral(" Remote Port"));
        port->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 12);
        txtRemotePortB[k] = port;
        portCaption->setBuddy(port);
        rows->addWidget(port, k, column++);
        connect(port, &QLineEdit::textChanged, this, [this, k] { txtRemotePortB_Change(k); });
    }

    lblLocalPortB = new QLabel(QStringLiteral("BRIDGE LOCAL PORT:"), this);
    lblLocalPortB->setObjectName(QStringLiteral("lblLocalPortB"));
    txtLocalPortB = new QLineEdit(this);
    txtLocalPortB->setObjectName(QStringLiteral("txtLocalPortB"));
    txtLocalPortB->setAccessibleName(QStringLiteral("BRIDGE LOCAL PORT"));
    txtLocalPortB->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 12);
    lblLocalPortB->setBuddy(txtLocalPortB);
    connect(txtLocalPortB, &QLineEdit::textChanged, this, &frm06Bridge::txtLocalPortB_Change);

    frmStatusB = new QGroupBox(QStringLiteral(" STATUS BRIDGE "), this);
    frmStatusB->setObjectName(QStringLiteral("frmStatusB"));
    optEnableB = new QRadioButton(QStringLiteral("Enable"), frmStatusB);
    optEnableB->setObjectName(QStringLiteral("optEnableB"));
    optEnableB->setAccessibleName(QStringLiteral("Bridge status: Enable"));
    optDisableB = new QRadioButton(QStringLiteral("Disable"), frmStatusB);
    optDisableB->setObjectName(QStringLiteral("optDisableB"));
    optDisableB->setAccessibleName(QStringLiteral("Bridge status: Disable"));
    auto *status = new QHBoxLayout(frmStatusB);
    status->addWidget(optEnableB);
    status->addWidget(optDisableB);

    cmdDownloadBridgeIP = new QPushButton(QStringLiteral("Download"), this);
    cmdDownloadBridgeIP->setObjectName(QStringLiteral("cmdDownloadBridgeIP"));
    cmdDownloadBridgeIP->setAutoDefault(false);
    cmdUploadBridgeIP = new QPushButton(QStringLiteral("Upload"), this);
    cmdUploadBridgeIP->setObjectName(QStringLiteral("cmdUploadBridgeIP"));
    cmdUploadBridgeIP->setAutoDefault(false);
    connect(cmdDownloadBridgeIP, &QPushButton::clicked, this, &frm06Bridge::cmdDownloadBridgeIP_Click);
    connect(cmdUploadBridgeIP, &QPushButton::clicked, this, &frm06Bridge::cmdUploadBridgeIP_Click);

    lblNote = new QLabel(QStringLiteral("If all bridge are to 0.0.0.0, tx ethernet is disabled"), this);
    lblNote->setObjectName(QStringLiteral("lblNote"));

    auto *lower = new QHBoxLayout;
    lower->addWidget(lblLocalPortB);
    lower->addWidget(txtLocalPortB);
    lower->addSpacing(16);
    lower->addWidget(frmStatusB);
    lower->addStretch();
    lower->addWidget(cmdDownloadBridgeIP);
    lower->addWidget(cmdUploadBridgeIP);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frmBridge);
    layout->addLayout(lower);
    layout->addWidget(lblNote);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

std::array<QLineEdit *, 4> &frm06Bridge::bridgeBoxes(int destination)
{
    switch (destination) {
    case 0: return txtBridgeIP1;
    case 1: return txtBridgeIP2;
    case 2: return txtBridgeIP3;
    case 3: return txtBridgeIP4;
    default: return txtBridgeIP5;
    }
}

void frm06Bridge::storeOctet(int destination, int Index)
{
    if (Index < 0 || Index > 3)
        return;
    m_ctx.state().BridgeIP[destination][Index] = OctetEntryValue(bridgeBoxes(destination)[Index]->text());
}

void frm06Bridge::txtBridgeIP1_Change(int Index) { storeOctet(0, Index); }
void frm06Bridge::txtBridgeIP2_Change(int Index) { storeOctet(1, Index); }
void frm06Bridge::txtBridgeIP3_Change(int Index) { storeOctet(2, Index); }
void frm06Bridge::txtBridgeIP4_Change(int Index) { storeOctet(3, Index); }
void frm06Bridge::txtBridgeIP5_Change(int Index) { storeOctet(4, Index); }

void frm06Bridge::txtLocalPortB_Change()
{
    m_ctx.state().BridgeLocalPort = PortEntryValue(txtLocalPortB->text());
}

void frm06Bridge::txtRemotePortB_Change(int Index)
{
    if (Index < 0 || Index > 4)
        return;
    m_ctx.state().BridgeRemotePort[Index] = PortEntryValue(txtRemotePortB[Index]->text());
}

void frm06Bridge::ShowBridgeSettings(const QByteArray &data)
{
    const auto covers = [&data](int offset, int width) { return data.size() >= offset + width; };
    const BridgeBlock block = DecodeBridgeBlock(data);

    // Each box is stored again after its text is set: a box that already showed the same
    // text raises no change, and what is shown must be what an upload sends.
    if (covers(kStatusOffset, 1))
        (block.enabled ? optEnableB : optDisableB)->setChecked(true);
    if (covers(kLocalPortOffset, 2)) {
        txtLocalPortB->setText(QString::number(block.localPort));
        txtLocalPortB_Change();
    }
    for (int k = 0; k < 5; ++k) {
        if (!covers(kRemotePortOffset + 2 * k, 2))
            break;
        txtRemotePortB[k]->setText(QString::number(block.remotePorts[k]));
        txtRemotePortB_Change(k);
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

void frm06Bridge::cmdDownloadBridgeIP_Click()
{
    m_ctx.link().SendCommand(CmdDownloadBridge);
}

void frm06Bridge::cmdUploadBridgeIP_Click()
{
    StartWriteSequence(m_ctx, CmdUploadBridge);
}

} // namespace qvx
