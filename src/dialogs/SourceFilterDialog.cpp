#include "dialogs/SourceFilterDialog.h"

#include "services/ProgramServices.h"
#include "accessibility/Accessibility.h"
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

SourceFilterDialog::SourceFilterDialog(ProgramServices &services, QWidget *parent) : QDialog(parent), m_services(services)
{
    setObjectName(QStringLiteral("frm05Source"));
    setWindowTitle(QStringLiteral("Sources IP Filter"));
    setModal(false);

    sourcesGroup = new QGroupBox(QStringLiteral(" SOURCE IP FILTER "), this);
    sourcesGroup->setObjectName(QStringLiteral("frmIPSource"));
    auto *rows = new QGridLayout(sourcesGroup);

    for (int k = 0; k < 4; ++k) {
        const QString caption = QStringLiteral("Source %1 IP-Address:").arg(k + 1);
        QLabel *label = new QLabel(caption, sourcesGroup);
        label->setObjectName(QStringLiteral("lblIPSource_%1").arg(k));
        sourceCaptions[k] = label;
        rows->addWidget(label, k, 0);

        std::array<QLineEdit *, 4> &boxes = sourceBoxes(k);
        for (int i = 0; i < 4; ++i) {
            auto *box = new QLineEdit(QStringLiteral("0"), sourcesGroup);
            box->setObjectName(QStringLiteral("txtSourceIP%1_%2").arg(k + 1).arg(i));
            box->setAccessibleName(QStringLiteral("%1 octet %2 of 4").arg(caption).arg(i + 1));
            box->setMaxLength(3);
            box->setFixedWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 12);
            box->setAlignment(Qt::AlignCenter);
            boxes[i] = box;
            rows->addWidget(box, k, 1 + i);
            connect(box, &QLineEdit::textChanged, this, [this, k, i] {
                switch (k) {
                case 0: onSource1Edited(i); break;
                case 1: onSource2Edited(i); break;
                case 2: onSource3Edited(i); break;
                default: onSource4Edited(i); break;
                }
            });
        }
        label->setBuddy(boxes[0]);
    }

    noteLabel = new QLabel(QStringLiteral("If all source are to 0.0.0.0, all IP are enabled"), this);
    noteLabel->setObjectName(QStringLiteral("lblNote"));

    downloadButton = new QPushButton(QStringLiteral("Download"), this);
    downloadButton->setObjectName(QStringLiteral("cmdDownloadSourceIP"));
    downloadButton->setAutoDefault(false);
    uploadButton = new QPushButton(QStringLiteral("Upload"), this);
    uploadButton->setObjectName(QStringLiteral("cmdUploadSourceIP"));
    uploadButton->setAutoDefault(false);
    connect(downloadButton, &QPushButton::clicked, this, &SourceFilterDialog::downloadSourceFilter);
    connect(uploadButton, &QPushButton::clicked, this, &SourceFilterDialog::uploadSourceFilter);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(downloadButton);
    buttons->addWidget(uploadButton);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(sourcesGroup);
    layout->addWidget(noteLabel);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Tab: the addresses row by row, then the buttons.
    QList<QWidget *> order;
    for (int k = 0; k < 4; ++k)
        order.append(QList<QWidget *>(sourceBoxes(k).begin(), sourceBoxes(k).end()));
    order << downloadButton << uploadButton;
    chainTabOrder(order);
    pressFocusedButtonsWithEnter(this);
}

std::array<QLineEdit *, 4> &SourceFilterDialog::sourceBoxes(int address)
{
    switch (address) {
    case 0: return source1Boxes;
    case 1: return source2Boxes;
    case 2: return source3Boxes;
    default: return source4Boxes;
    }
}

void SourceFilterDialog::storeOctet(int address, int index)
{
    if (index < 0 || index > 3)
        return;
    m_services.state().sourceFilter[address][index] = octetEntryValue(sourceBoxes(address)[index]->text());
}

void SourceFilterDialog::onSource1Edited(int index) { storeOctet(0, index); }
void SourceFilterDialog::onSource2Edited(int index) { storeOctet(1, index); }
void SourceFilterDialog::onSource3Edited(int index) { storeOctet(2, index); }
void SourceFilterDialog::onSource4Edited(int index) { storeOctet(3, index); }

void SourceFilterDialog::showSourceFilter(const SourceFilterBlock &block, int length)
{
    for (int k = 0; k < 4; ++k) {
        for (int i = 0; i < 4; ++i) {
            if (4 * k + i >= length)
                return;
            sourceBoxes(k)[i]->setText(QString::number(block.sources[k][i]));
            // A box that already showed this text raises no change; store it all the same,
            // so that what is shown is what an upload sends.
            storeOctet(k, i);
        }
    }
}

void SourceFilterDialog::downloadSourceFilter()
{
    m_services.link().sendCommand(CmdDownloadSource);
}

void SourceFilterDialog::uploadSourceFilter()
{
    startWriteSequence(m_services, CmdUploadSource, sourceFilterBlock);
}

} // namespace qvx
