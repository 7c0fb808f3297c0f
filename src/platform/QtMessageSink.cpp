#include "platform/QtMessageSink.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

namespace qvx {

QtMessageSink::QtMessageSink(QObject *parent) : QObject(parent) {}

QtMessageSink::~QtMessageSink()
{
    delete m_current;
}

void QtMessageSink::show(const QString &text, const QString &title, MessageIcon icon)
{
    const Message message{text, title, icon};
    if ((m_current && m_shown == message) || m_waiting.contains(message))
        return;
    m_waiting.append(message);
    if (!m_current)
        showNext();
}

static QMessageBox::Icon boxIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Information: return QMessageBox::Information;
    case MessageIcon::Exclamation: return QMessageBox::Warning;
    case MessageIcon::Critical: return QMessageBox::Critical;
    case MessageIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

void QtMessageSink::showNext()
{
    if (m_waiting.isEmpty())
        return;
    m_shown = m_waiting.takeFirst();
    QWidget *parent = QApplication::activeWindow();
    if (!parent || qobject_cast<QMessageBox *>(parent))
        parent = m_fallbackParent;
    auto *box = new QMessageBox(boxIcon(m_shown.icon), m_shown.title, m_shown.text, QMessageBox::Ok, parent);
    box->setObjectName(QStringLiteral("messageBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    m_current = box;
    connect(box, &QObject::destroyed, this, [this] {
        // The next waiting box opens once this one is gone, after the current event.
        QTimer::singleShot(0, this, &QtMessageSink::showNext);
    });
    box->show(); // modal for the whole program; open() would make it modal to its parent only
}

} // namespace qvx
