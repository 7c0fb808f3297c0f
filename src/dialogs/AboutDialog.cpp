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

    auto *titleLabel = new QLabel(programTitle(), this);
    titleLabel->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = titleLabel->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
    titleLabel->setFont(titleFont);

    auto *versionLabel = new QLabel(
        QStringLiteral("Versione %1.%2.%3").arg(QVX_VERSION_MAJOR).arg(QVX_VERSION_MINOR).arg(QVX_VERSION_PATCH), this);
    versionLabel->setObjectName(QStringLiteral("lblVersion"));
    auto *descriptionLabel = new QLabel(QStringLiteral("Interfaccia utente per il rilevamento e configurazione\n"
                                                      "dei convertitori Ethernet - Seriale (RS485, RS422, RS232, Fibra)"),
                                        this);
    descriptionLabel->setObjectName(QStringLiteral("lblDescription"));
    descriptionLabel->setWordWrap(false);

    const QColor lineColours[2] = {QColor(128, 128, 128), QColor(255, 255, 255)};
    auto *separator = new QVBoxLayout;
    separator->setSpacing(0);
    for (int i = 0; i < 2; ++i) {
        auto *line = new QFrame(this);
        line->setObjectName(QStringLiteral("Line1_%1").arg(i));
        line->setFrameStyle(QFrame::HLine | QFrame::Plain);
        line->setLineWidth(1);
        line->setFixedHeight(1);
        QPalette palette = line->palette();
        palette.setColor(QPalette::WindowText, lineColours[i]);
        line->setPalette(palette);
        separator->addWidget(line);
    }

    auto *disclaimerLabel = new QLabel(QString::fromLatin1(kProgramWebAddress), this);
    disclaimerLabel->setObjectName(QStringLiteral("lblDisclaimer"));
    disclaimerLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setObjectName(QStringLiteral("cmdOK"));
    okButton->setDefault(true);
    auto *systemInfoButton = new QPushButton(QStringLiteral("&System Info..."), this);
    systemInfoButton->setObjectName(QStringLiteral("cmdSysInfo"));
    systemInfoButton->setAutoDefault(false);
    connect(okButton, &QPushButton::clicked, this, &AboutDialog::close);
    connect(systemInfoButton, &QPushButton::clicked, this, &AboutDialog::startSystemInfo);

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

}

AboutDialog::~AboutDialog() = default;

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
