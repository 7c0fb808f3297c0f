#include "dialogs/AboutDialog.h"

#include "services/ProgramServices.h"
#include "accessibility/Accessibility.h"
#include "dialogs/SystemInfoLocator.h"
#include "protocol/MessageSink.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace qvx {

namespace {

const QString &programTitle()
{
    static const QString title = QStringLiteral("QvxFinder");
    return title;
}

} // namespace

AboutDialog::AboutDialog(ProgramServices &services, QWidget *parent)
    : QDialog(parent), m_services(services), m_locator(createSystemInfoLocator(services.processes()))
{
    setObjectName(QStringLiteral("frm04About"));
    setWindowTitle(QStringLiteral("Informazioni su QvxFinder"));

    titleLabel = new QLabel(this);
    titleLabel->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = titleLabel->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
    titleLabel->setFont(titleFont);

    versionLabel = new QLabel(this);
    versionLabel->setObjectName(QStringLiteral("lblVersion"));
    descriptionLabel = new QLabel(this);
    descriptionLabel->setObjectName(QStringLiteral("lblDescription"));
    descriptionLabel->setWordWrap(false);

    const QColor lineColours[2] = {QColor(128, 128, 128), QColor(255, 255, 255)};
    auto *separator = new QVBoxLayout;
    separator->setSpacing(0);
    for (int i = 0; i < 2; ++i) {
        separatorLines[i] = new QFrame(this);
        separatorLines[i]->setObjectName(QStringLiteral("Line1_%1").arg(i));
        separatorLines[i]->setFrameStyle(QFrame::HLine | QFrame::Plain);
        separatorLines[i]->setLineWidth(1);
        separatorLines[i]->setFixedHeight(1);
        QPalette palette = separatorLines[i]->palette();
        palette.setColor(QPalette::WindowText, lineColours[i]);
        separatorLines[i]->setPalette(palette);
        separator->addWidget(separatorLines[i]);
    }

    disclaimerLabel = new QLabel(this);
    disclaimerLabel->setObjectName(QStringLiteral("lblDisclaimer"));
    disclaimerLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);

    okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setObjectName(QStringLiteral("cmdOK"));
    okButton->setDefault(true);
    systemInfoButton = new QPushButton(QStringLiteral("&System Info..."), this);
    systemInfoButton->setObjectName(QStringLiteral("cmdSysInfo"));
    systemInfoButton->setAutoDefault(false);
    connect(okButton, &QPushButton::clicked, this, &AboutDialog::onOkClicked);
    connect(systemInfoButton, &QPushButton::clicked, this, &AboutDialog::onSystemInfoClicked);

    auto *buttons = new QVBoxLayout;
    buttons->addWidget(okButton);
    buttons->addWidget(systemInfoButton);

    auto *lower = new QHBoxLayout;
    lower->addWidget(disclaimerLabel, 1, Qt::AlignTop);
    lower->addLayout(buttons);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(titleLabel);
    layout->addWidget(versionLabel);
    layout->addWidget(descriptionLabel);
    layout->addLayout(separator);
    layout->addLayout(lower);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    chainTabOrder({okButton, systemInfoButton});
    // Return on "System Info..." starts it rather than pressing the default OK.
    pressFocusedButtonsWithEnter(this);

    initialize();
}

AboutDialog::~AboutDialog() = default;

void AboutDialog::initialize()
{
    versionLabel->setText(QStringLiteral("Versione %1.%2.%3").arg(QVX_VERSION_MAJOR).arg(QVX_VERSION_MINOR).arg(QVX_VERSION_PATCH));
    titleLabel->setText(programTitle());
    descriptionLabel->setText(QStringLiteral("Interfaccia utente per il rilevamento e configurazione\n"
                                           "dei convertitori Ethernet - Seriale (RS485, RS422, RS232, Fibra)"));
    disclaimerLabel->setText(QString::fromLatin1(kProgramWebAddress));
}

void AboutDialog::onOkClicked()
{
    close();
}

void AboutDialog::onSystemInfoClicked()
{
    startSystemInfo();
}

void AboutDialog::startSystemInfo()
{
    if (m_locator->startSystemInfo())
        return;
    m_services.messages().show(QStringLiteral("Informazioni sul sistema non disponibili in questa fase."), programTitle(),
                          MessageIcon::None);
}

bool AboutDialog::readRegistryValue(quint32 keyRoot, const QString &keyName, const QString &subKeyRef,
                             QString &keyValue)
{
    return m_locator->readRegistryValue(keyRoot, keyName, subKeyRef, keyValue);
}

} // namespace qvx
