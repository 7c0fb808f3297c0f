#include "dialogs/frm07MacAddress.h"

#include "app/AppContext.h"
#include "dialogs/EntryRules.h"
#include "dialogs/WriteSenders.h"
#include "protocol/Commands.h"
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

frm07MacAddress::frm07MacAddress(AppContext &ctx, QWidget *parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("frm07MacAddress"));
    setWindowTitle(QStringLiteral("Set New MAC ADDRESS"));
    setModal(false);

    lblCode = new QLabel(QStringLiteral("CODICE (65793 - 16777215)"), this);
    lblCode->setObjectName(QStringLiteral("lblCode"));
    txtCode = new QLineEdit(QStringLiteral("65793"), this);
    txtCode->setObjectName(QStringLiteral("txtCode"));
    txtCode->setAccessibleName(QStringLiteral("CODICE (65793 - 16777215)"));
    lblCode->setBuddy(txtCode);

    lblMacAddress = new QLabel(QStringLiteral("--> NEW MAC ADDRESS ="), this);
    lblMacAddress->setObjectName(QStringLiteral("lblMacAddress"));
    static const char *const kDesignBytes[6] = {"00", "04", "A3", "01", "01", "01"};
    for (int i = 0; i < 6; ++i) {
        auto *label = new QLabel(QString::fromLatin1(kDesignBytes[i]), this);
        label->setObjectName(QStringLiteral("lblMacAddr%1").arg(i));
        label->setAccessibleName(QStringLiteral("NEW MAC ADDRESS byte %1 of 6").arg(i + 1));
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setAlignment(Qt::AlignCenter);
        label->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("WW")) + 8);
        lblMacAddr[i] = label;
    }

    Command2 = new QPushButton(QStringLiteral("SET ADDRESS"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setAutoDefault(false);
    Command1 = new QPushButton(QStringLiteral("EXIT"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setAutoDefault(false);

    connect(txtCode, &QLineEdit::textChanged, this, &frm07MacAddress::txtCode_Change);
    connect(Command2, &QPushButton::clicked, this, &frm07MacAddress::Command2_Click);
    connect(Command1, &QPushButton::clicked, this, &frm07MacAddress::Command1_Click);

    auto *codeRow = new QHBoxLayout;
    codeRow->addWidget(lblCode);
    codeRow->addWidget(txtCode);

    auto *addressRow = new QHBoxLayout;
    addressRow->addWidget(lblMacAddress);
    for (QLabel *label : lblMacAddr)
        addressRow->addWidget(label);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command2);
    buttons->addWidget(Command1);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(codeRow);
    layout->addLayout(addressRow);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void frm07MacAddress::Form_Load()
{
    // The design text 65793 is 0x010101.
    m_ctx.state().MacCode = {1, 1, 1};
}

void frm07MacAddress::warnCode()
{
    m_ctx.messages().show(QStringLiteral("ATTENZIONE! Inserire un codice corretto"), QStringLiteral("Message Warning"),
                          MessageIcon::Exclamation);
}

void frm07MacAddress::txtCode_Change()
{
    std::array<qint32, 3> &code = m_ctx.state().MacCode;
    const QString text = txtCode->text();
    if (text.isEmpty()) {
        code = {0, 0, 0};
    } else {
        // A text that is not a number, or whose value does not fit in 32 bits, changes
        // nothing. No range test here: the labels show whatever the low 24 bits give.
        const std::optional<qint32> value = MacCodeEntryValue(text);
        if (!value) {
            warnCode();
            return;
        }
        const quint32 bits = static_cast<quint32>(*value);
        code = {static_cast<qint32>((bits & 0xFF0000u) / 65536u), static_cast<qint32>((bits & 0xFF00u) / 256u),
                static_cast<qint32>(bits & 0xFFu)};
    }
    for (int i = 0; i < 3; ++i)
        lblMacAddr[3 + i]->setText(twoHexDigits(code[i]));
}

void frm07MacAddress::Command2_Click()
{
    // The range test looks at the text itself (its leading number); what is sent is
    // MacCode as the last numeric change left it.
    const double code = NumericValue(txtCode->text());
    if (code < kLowestCode || code > kHighestCode) {
        warnCode();
        return;
    }
    StartWriteSequence(m_ctx, CmdMacFromCode);
}

void frm07MacAddress::Command1_Click()
{
    close();
}

} // namespace qvx
