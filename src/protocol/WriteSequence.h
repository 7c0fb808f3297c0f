#pragma once
#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

namespace qvx {

class IntervalTimer;
class Link;

// Every write by address goes in two steps: a logout (103) to the device at once, then,
// when the deferred-write timer fires, the write itself. The write's data is built only
// then, by the function handed to start(), so that it holds what the window shows at that
// moment; a function that returns nothing (it has said why) sends nothing.
class WriteSequence : public QObject {
    Q_OBJECT
public:
    using BlockBuilder = std::function<std::optional<QByteArray>()>;

    // `timer` is the deferred-write timer; it is made single-shot.
    WriteSequence(Link &link, IntervalTimer &timer, QObject *parent = nullptr);

    // Sends the logout now and arms the timer with `delayMs` (when above 0). A write that
    // was waiting is replaced. A send error of the write is shown with the title
    // errorTitlePrefix followed by its number.
    void start(quint8 writeCode, BlockBuilder build, int delayMs,
               const QString &errorTitlePrefix = QStringLiteral("Errore "));
    // Sends the waiting write at once, without waiting for the timer.
    void sendNow();
    // Forgets the waiting write; nothing more is sent.
    void cancel();

    bool isWaiting() const { return m_writeCode != 0; }
    // The command code of the waiting write, 0 when none waits.
    quint8 waitingCode() const { return m_writeCode; }

Q_SIGNALS:
    // The write left (ok) or could not be built or sent (not ok); nothing waits any more.
    void finished(quint8 writeCode, bool ok);

private:
    Link &m_link;
    IntervalTimer &m_timer;
    quint8 m_writeCode = 0;
    BlockBuilder m_build;
    QString m_errorTitlePrefix;
};

} // namespace qvx
