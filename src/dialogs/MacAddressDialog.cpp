#include "dialogs/MacAddressDialog.h"

#include "services/ProgramServices.h"
#include "accessibility/Accessibility.h"
#include "dialogs/EntryRules.h"
#include "protocol/Commands.h"
#include "protocol/FieldRules.h"
#include "protocol/MessageSink.h"
#include "protocol/TextRules.h"
#include "protocol/WriteSequence.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace qvx {

namespace {

QString twoHexDigits(qint32 byte)
{
    return QString::number(byte & 0xFF, 16).toUpper().rightJustified(2, QLatin1Char('0'));
}

} // namespace

MacAddressDialog::MacAddressDialog(ProgramServices &services, QWidget *parent) : QDialog(parent), m_services(services)
{
    setObjectName(QStringLiteral("frm07MacAddress"));
    setWindowTitle(QStringLiteral("Set New MAC ADDRESS"));
    setModal(false);

    auto *codeCaption = new QLabel(QStringLiteral("CODICE (65793 - 16777215)"), this);
    codeCaption->setObjectName(QStringLiteral("lblCode"));
    m_codeBox = new QLineEdit(QStringLiteral("65793"), this);
    m_codeBox->setObjectName(QStringLiteral("txtCode"));
    m_codeBox->setAccessibleName(QStringLiteral("CODICE (65793 - 16777215): the code of the new MAC address"));
    codeCaption->setBuddy(m_codeBox);

    auto *newMacCaption = new QLabel(QStringLiteral("--> NEW MAC ADDRESS ="), this);
    newMacCaption->setObjectName(QStringLiteral("lblMacAddress"));
    static const char *const kDesignBytes[6] = {"00", "04", "A3", "01", "01", "01"};
    for (int i = 0; i < 6; ++i) {
        auto *label = new ValueLabel(QStringLiteral("New MAC address, byte %1 of 6").arg(i + 1), this);
        label->setText(QString::fromLatin1(kDesignBytes[i]));
        label->setObjectName(QStringLiteral("lblMacAddr%1").arg(i));
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setAlignment(Qt::AlignCenter);
        label->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("WW")) + 8);
        m_newMacBytes[i] = label;
    }

    auto *setAddressButton = new QPushButton(QStringLiteral("SET ADDRESS"), this);
    setAddressButton->setObjectName(QStringLiteral("Command2"));
    setAddressButton->setAutoDefault(false);
    auto *exitButton = new QPushButton(QStringLiteral("EXIT"), this);
    exitButton->setObjectName(QStringLiteral("Command1"));
    exitButton->setAutoDefault(false);

    connect(m_codeBox, &QLineEdit::textChanged, this, &MacAddressDialog::onCodeEdited);
    connect(setAddressButton, &QPushButton::clicked, this, &MacAddressDialog::setAddress);
    connect(exitButton, &QPushButton::clicked, this, &MacAddressDialog::close);

    auto *codeRow = new QHBoxLayout;
    codeRow->addWidget(codeCaption);
    codeRow->addWidget(m_codeBox);

    auto *addressRow = new QHBoxLayout;
    addressRow->addWidget(newMacCaption);
    for (ValueLabel *label : m_newMacBytes)
        addressRow->addWidget(label);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(setAddressButton);
    buttons->addWidget(exitButton);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(codeRow);
    layout->addLayout(addressRow);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    chainTabOrder({m_codeBox, setAddressButton, exitButton});
    pressFocusedButtonsWithEnter(this);
}

void MacAddressDialog::warnCode()
{
    m_services.messages().show(macCodeRefusalText(), kRefusedWriteTitle, MessageIcon::Exclamation);
}

void MacAddressDialog::onCodeEdited()
{
    const QString text = m_codeBox->text();
    if (text.isEmpty()) {
        m_codeBytes = {0, 0, 0};
    } else {
        // A text that is not a number, or whose value does not fit in 32 bits, changes
        // nothing. No range test here: the labels show whatever the low 24 bits give.
        const std::optional<qint32> value = macCodeEntryValue(text);
        if (!value) {
            warnCode();
            return;
        }
        m_codeBytes = bytesOfMacCode(*value);
    }
    for (int i = 0; i < 3; ++i)
        m_newMacBytes[3 + i]->setText(twoHexDigits(m_codeBytes[i]));
}

void MacAddressDialog::setAddress()
{
    // The range test looks at the text itself (its leading number); what is sent is the
    // code bytes as the last numeric change left them.
    if (!macCodeAccepted(m_codeBox->text())) {
        warnCode();
        return;
    }
    const QPointer<MacAddressDialog> dialog(this);
    const std::array<quint8, 3> pressed = m_codeBytes;
    m_services.writeSequence().start(
        CmdMacFromCode,
        [dialog, pressed]() -> std::optional<QByteArray> {
            const std::array<quint8, 3> bytes = dialog && dialog->isVisible() ? dialog->m_codeBytes : pressed;
            return QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
        },
        kDeferredWriteMs);
}

} // namespace qvx
