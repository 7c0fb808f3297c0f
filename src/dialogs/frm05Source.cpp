#include "dialogs/frm05Source.h"

#include "app/AppContext.h"
#include "dialogs/EntryRules.h"
#include "dialogs/WriteSenders.h"
#include "protocol/Commands.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qvx {

frm05Source::frm05Source(AppContext &ctx, QWidget *parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("frm05Source"));
    setWindowTitle(QStringLiteral("Sources IP Filter"));
    setModal(false);

    frmIPSource = new QGroupBox(QStringLiteral(" SOURCE IP FILTER "), this);
    frmIPSource->setObjectName(QStringLiteral("frmIPSource"));
    auto *rows = new QGridLayout(frmIPSource);

    for (int k = 0; k < 4; ++k) {
        const QString caption = QStringLiteral("Source %1 IP-Address:").arg(k + 1);
        QLabel *label = new QLabel(caption, frmIPSource);
        label->setObjectName(QStringLiteral("lblIPSource_%1").arg(k));
        lblIPSource[k] = label;
        rows->addWidget(label, k, 0);

        std::array<QLineEdit *, 4> &boxes = sourceBoxes(k);
        for (int i = 0; i < 4; ++i) {
            auto *box = new QLineEdit(QStringLiteral("0"), frmIPSource);
            box->setObjectName(QStringLiteral("txtSourceIP%1_%2").arg(k + 1).arg(i));
            box->setAccessibleName(QStringLiteral("%1 octet %2 of 4").arg(caption).arg(i + 1));
            box->setMaxLength(3);
            box->setFixedWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 12);
            box->setAlignment(Qt::AlignCenter);
            boxes[i] = box;
            rows->addWidget(box, k, 1 + i);
            connect(box, &QLineEdit::textChanged, this, [this, k, i] {
                switch (k) {
                case 0: txtSourceIP1_Change(i); break;
                case 1: txtSourceIP2_Change(i); break;
                case 2: txtSourceIP3_Change(i); break;
                default: txtSourceIP4_Change(i); break;
                }
            });
        }
        label->setBuddy(boxes[0]);
    }

    lblNote = new QLabel(QStringLiteral("If all source are to 0.0.0.0, all IP are enabled"), this);
    lblNote->setObjectName(QStringLiteral("lblNote"));

    cmdDownloadSourceIP = new QPushButton(QStringLiteral("Download"), this);
    cmdDownloadSourceIP->setObjectName(QStringLiteral("cmdDownloadSourceIP"));
    cmdDownloadSourceIP->setAutoDefault(false);
    cmdUploadSourceIP = new QPushButton(QStringLiteral("Upload"), this);
    cmdUploadSourceIP->setObjectName(QStringLiteral("cmdUploadSourceIP"));
    cmdUploadSourceIP->setAutoDefault(false);
    connect(cmdDownloadSourceIP, &QPushButton::clicked, this, &frm05Source::cmdDownloadSourceIP_Click);
    connect(cmdUploadSourceIP, &QPushButton::clicked, this, &frm05Source::cmdUploadSourceIP_Click);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdDownloadSourceIP);
    buttons->addWidget(cmdUploadSourceIP);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frmIPSource);
    layout->addWidget(lblNote);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

std::array<QLineEdit *, 4> &frm05Source::sourceBoxes(int address)
{
    switch (address) {
    case 0: return txtSourceIP1;
    case 1: return txtSourceIP2;
    case 2: return txtSourceIP3;
    default: return txtSourceIP4;
    }
}

void frm05Source::storeOctet(int address, int Index)
{
    if (Index < 0 || Index > 3)
        return;
    m_ctx.state().SourceIP[address][Index] = OctetEntryValue(sourceBoxes(address)[Index]->text());
}

void frm05Source::txtSourceIP1_Change(int Index) { storeOctet(0, Index); }
void frm05Source::txtSourceIP2_Change(int Index) { storeOctet(1, Index); }
void frm05Source::txtSourceIP3_Change(int Index) { storeOctet(2, Index); }
void frm05Source::txtSourceIP4_Change(int Index) { storeOctet(3, Index); }

void frm05Source::ShowSourceFilter(const QByteArray &data)
{
    for (int k = 0; k < 4; ++k) {
        for (int i = 0; i < 4; ++i) {
            const int offset = 4 * k + i;
            if (offset >= data.size())
                return;
            sourceBoxes(k)[i]->setText(QString::number(static_cast<quint8>(data[offset])));
            // A box that already showed this text raises no change; store it all the same,
            // so that what is shown is what an upload sends.
            storeOctet(k, i);
        }
    }
}

void frm05Source::cmdDownloadSourceIP_Click()
{
    m_ctx.link().SendCommand(CmdDownloadSource);
}

void frm05Source::cmdUploadSourceIP_Click()
{
    StartWriteSequence(m_ctx, CmdUploadSource);
}

} // namespace qvx
