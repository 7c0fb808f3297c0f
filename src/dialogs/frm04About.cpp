#include "dialogs/frm04About.h"

#include "app/AppContext.h"
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

frm04About::frm04About(AppContext &ctx, QWidget *parent)
    : QDialog(parent), m_ctx(ctx), m_locator(CreateSystemInfoLocator(ctx.processes()))
{
    setObjectName(QStringLiteral("frm04About"));
    setWindowTitle(QStringLiteral("Informazioni su QvxFinder"));

    lblTitle = new QLabel(this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = lblTitle->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
    lblTitle->setFont(titleFont);

    lblVersion = new QLabel(this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblDescription = new QLabel(this);
    lblDescription->setObjectName(QStringLiteral("lblDescription"));
    lblDescription->setWordWrap(false);

    const QColor lineColours[2] = {QColor(128, 128, 128), QColor(255, 255, 255)};
    auto *separator = new QVBoxLayout;
    separator->setSpacing(0);
    for (int i = 0; i < 2; ++i) {
        Line1[i] = new QFrame(this);
        Line1[i]->setObjectName(QStringLiteral("Line1_%1").arg(i));
        Line1[i]->setFrameStyle(QFrame::HLine | QFrame::Plain);
        Line1[i]->setLineWidth(1);
        Line1[i]->setFixedHeight(1);
        QPalette palette = Line1[i]->palette();
        palette.setColor(QPalette::WindowText, lineColours[i]);
        Line1[i]->setPalette(palette);
        separator->addWidget(Line1[i]);
    }

    lblDisclaimer = new QLabel(this);
    lblDisclaimer->setObjectName(QStringLiteral("lblDisclaimer"));
    lblDisclaimer->setTextInteractionFlags(Qt::TextSelectableByMouse);

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdSysInfo->setAutoDefault(false);
    connect(cmdOK, &QPushButton::clicked, this, &frm04About::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frm04About::cmdSysInfo_Click);

    auto *buttons = new QVBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);

    auto *lower = new QHBoxLayout;
    lower->addWidget(lblDisclaimer, 1, Qt::AlignTop);
    lower->addLayout(buttons);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblTitle);
    layout->addWidget(lblVersion);
    layout->addWidget(lblDescription);
    layout->addLayout(separator);
    layout->addLayout(lower);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    Form_Load();
}

frm04About::~frm04About() = default;

void frm04About::Form_Load()
{
    lblVersion->setText(QStringLiteral("Versione %1.%2.%3").arg(QVX_VERSION_MAJOR).arg(QVX_VERSION_MINOR).arg(QVX_VERSION_PATCH));
    lblTitle->setText(programTitle());
    lblDescription->setText(QStringLiteral("Interfaccia utente per il rilevamento e configurazione\n"
                                           "dei convertitori Ethernet - Seriale (RS485, RS422, RS232, Fibra)"));
    lblDisclaimer->setText(QString::fromLatin1(kProgramWebAddress));
}

void frm04About::cmdOK_Click()
{
    close();
}

void frm04About::cmdSysInfo_Click()
{
    StartSysInfo();
}

void frm04About::StartSysInfo()
{
    if (m_locator->StartSysInfo())
        return;
    m_ctx.messages().show(QStringLiteral("Informazioni sul sistema non disponibili in questa fase."), programTitle(),
                          MessageIcon::None);
}

bool frm04About::GetKeyValue(quint32 prml_KeyRoot, const QString &prms_KeyName, const QString &prms_SubKeyRef,
                             QString &prms_KeyVal)
{
    return m_locator->GetKeyValue(prml_KeyRoot, prms_KeyName, prms_SubKeyRef, prms_KeyVal);
}

} // namespace qvx
