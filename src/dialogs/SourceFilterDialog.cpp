#include "dialogs/SourceFilterDialog.h"

#include "services/ProgramServices.h"
#include "accessibility/Accessibility.h"
#include "accessibility/OctetRow.h"
#include "dialogs/EntryRules.h"
#include "protocol/FieldRules.h"
#include "protocol/MessageSink.h"
#include "protocol/WriteSequence.h"
#include "protocol/Commands.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace qvx {

SourceFilterDialog::SourceFilterDialog(ProgramServices &services, QWidget *parent) : QDialog(parent), m_services(services)
{
    setObjectName(QStringLiteral("frm05Source"));
    setWindowTitle(QStringLiteral("Sources IP Filter"));
    setModal(false);

    auto *sourcesGroup = new QGroupBox(QStringLiteral(" SOURCE IP FILTER "), this);
    sourcesGroup->setObjectName(QStringLiteral("frmIPSource"));
    auto *rows = new QGridLayout(sourcesGroup);

    for (int k = 0; k < 4; ++k) {
        const QString caption = QStringLiteral("Source %1 IP-Address:").arg(k + 1);
        QLabel *label = new QLabel(caption, sourcesGroup);
        label->setObjectName(QStringLiteral("lblIPSource_%1").arg(k));
        rows->addWidget(label, k, 0);

        m_sourceRows[k] = new OctetRow(4, QStringLiteral("txtSourceIP%1").arg(k + 1), caption, QStringLiteral("octet"),
                                       OctetRow::Look::ThreeDigits, sourcesGroup);
        rows->addWidget(m_sourceRows[k], k, 1);
        label->setBuddy(m_sourceRows[k]->box(0));
    }

    auto *noteLabel = new QLabel(QStringLiteral("If all source are to 0.0.0.0, all IP are enabled"), this);
    noteLabel->setObjectName(QStringLiteral("lblNote"));

    auto *downloadButton = new QPushButton(QStringLiteral("Download"), this);
    downloadButton->setObjectName(QStringLiteral("cmdDownloadSourceIP"));
    downloadButton->setAutoDefault(false);
    auto *uploadButton = new QPushButton(QStringLiteral("Upload"), this);
    uploadButton->setObjectName(QStringLiteral("cmdUploadSourceIP"));
    uploadButton->setAutoDefault(false);
    connect(downloadButton, &QPushButton::clicked, this, [this] { m_services.link().sendCommand(CmdDownloadSource); });
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
        for (QLineEdit *box : m_sourceRows[k]->boxes())
            order << box;
    order << downloadButton << uploadButton;
    chainTabOrder(order);
    pressFocusedButtonsWithEnter(this);
}

SourceFilterDialog::Sources SourceFilterDialog::sources() const
{
    Sources sources;
    for (std::size_t k = 0; k < 4; ++k)
        for (std::size_t i = 0; i < 4; ++i)
            sources[k][i] = octetEntryValue(m_sourceRows[k]->box(i)->text());
    return sources;
}

void SourceFilterDialog::showSourceFilter(const SourceFilterBlock &block, int length)
{
    for (int k = 0; k < 4; ++k) {
        for (int i = 0; i < 4; ++i) {
            if (4 * k + i >= length)
                return;
            m_sourceRows[k]->box(i)->setText(QString::number(block.sources[k][i]));
        }
    }
}

void SourceFilterDialog::uploadSourceFilter()
{
    // The boxes as they are when the write is due; a dialog closed by then (it is deleted
    // soon after) sends what they showed at the press.
    const QPointer<SourceFilterDialog> dialog(this);
    ProgramServices &services = m_services;
    const Sources pressed = sources();
    services.writeSequence().start(
        CmdUploadSource,
        [dialog, &services, pressed]() -> std::optional<QByteArray> {
            const Sources sources = dialog && dialog->isVisible() ? dialog->sources() : pressed;
            const Checked<SourceFilterBlock> block = checkSourceFilter(sources);
            if (!block.ok()) {
                services.messages().show(block.refusal, kRefusedWriteTitle, MessageIcon::Exclamation);
                return std::nullopt;
            }
            return encodeSourceFilterBlock(*block.value);
        },
        kDeferredWriteMs);
}

} // namespace qvx
