#include "dialogs/MacAddressDialog.h"

#include "services/ProgramServices.h"
#include "accessibility/Accessibility.h"
#include "dialogs/EntryRules.h"
#include "dialogs/WriteSenders.h"
#include "protocol/Commands.h"
#include "protocol/FieldRules.h"
#include "protocol/MessageSink.h"
#include "protocol/TextRules.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
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

    codeCaption = new QLabel(QStringLiteral("CODICE (65793 - 16777215)"), this);
    codeCaption->setObjectName(QStringLiteral("lblCode"));
    codeBox = new QLineEdit(QStringLiteral("65793"), this);
    codeBox->setObjectName(QStringLiteral("txtCode"));
    codeBox->setAccessibleName(QStringLiteral("CODICE (65793 - 16777215): the code of the new MAC address"));
    codeCaption->setBuddy(codeBox);

    newMacCaption = new QLabel(QStringLiteral("--> NEW MAC ADDRESS ="), this);
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
        newMacBytes[i] = label;
    }

    setAddressButton = new QPushButton(QStringLiteral("SET ADDRESS"), this);
    setAddressButton->setObjectName(QStringLiteral("Command2"));
    setAddressButton->setAutoDefault(false);
    exitButton = new QPushButton(QStringLiteral("EXIT"), this);
    exitButton->setObjectName(QStringLiteral("Command1"));
    exitButton->setAutoDefault(false);

    connect(codeBox, &QLineEdit::textChanged, this, &MacAddressDialog::onCodeEdited);
    connect(setAddressButton, &QPushButton::clicked, this, &MacAddressDialog::setAddress);
    connect(exitButton, &QPushButton::clicked, this, &MacAddressDialog::onExitClicked);

    auto *codeRow = new QHBoxLayout;
    codeRow->addWidget(codeCaption);
    codeRow->addWidget(codeBox);

    auto *addressRow = new QHBoxLayout;
    addressRow->addWidget(newMacCaption);
    for (ValueLabel *label : newMacBytes)
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

    chainTabOrder({codeBox, setAddressButton, exitButton});
    pressFocusedButtonsWithEnter(this);
}

void MacAddressDialog::initialize()
{
    // The design text 65793 is 0x010101.
    m_services.state().macCodeBytes = {1, 1, 1};
}

void MacAddressDialog::warnCode()
{
    m_services.messages().show(macCodeRefusalText(), kRefusedWriteTitle, MessageIcon::Exclamation);
}

void MacAddressDialog::onCodeEdited()
{
    std::array<qint32, 3> &code = m_services.state().macCodeBytes;
    const QString text = codeBox->text();
    if (text.isEmpty()) {
        code = {0, 0, 0};
    } else {
        // A text that is not a number, or whose value does not fit in 32 bits, changes
        // nothing. No range test here: the labels show whatever the low 24 bits give.
        const std::optional<qint32> value = macCodeEntryValue(text);
        if (!value) {
            warnCode();
            return;
        }
        const std::array<quint8, 3> bytes = bytesOfMacCode(*value);
        code = {bytes[0], bytes[1], bytes[2]};
    }
    for (int i = 0; i < 3; ++i)
        newMacBytes[3 + i]->setText(twoHexDigits(code[i]));
}

void MacAddressDialog::setAddress()
{
    // The range test looks at the text itself (its leading number); what is sent is
    // macCodeBytes as the last numeric change left it.
    if (!macCodeAccepted(codeBox->text())) {
        warnCode();
        return;
    }
    startWriteSequence(m_services, CmdMacFromCode, macCodeBlock);
}

void MacAddressDialog::onExitClicked()
{
    close();
}

} // namespace qvx
