#pragma once
#include "protocol/MessageSink.h"

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QPointer>

class QWidget;

namespace qvx {

// Shows each message in a modal QMessageBox with an OK button, without running a nested
// event loop in the caller: boxes are opened one at a time, in the order they were asked
// for, and a message identical to one still open or waiting is not stacked again.
class QtMessageSink : public QObject, public MessageSink {
    Q_OBJECT
public:
    explicit QtMessageSink(QObject *parent = nullptr);
    ~QtMessageSink() override;

    void show(const QString &text, const QString &title, MessageIcon icon) override;

    // The window boxes are centred on when no window of the program is active.
    void setFallbackParent(QWidget *parent) { m_fallbackParent = parent; }
    // The box now shown, if any.
    QMessageBox *currentBox() const { return m_current; }
    int waitingCount() const { return m_waiting.size(); }

private:
    struct Message {
        QString text, title;
        MessageIcon icon;
        bool operator==(const Message &) const = default;
    };
    void showNext();

    QList<Message> m_waiting;
    Message m_shown;
    QPointer<QMessageBox> m_current;
    QPointer<QWidget> m_fallbackParent;
};

} // namespace qvx
