#pragma once
#include "netadapters/AddressScan.h"
#include "netadapters/CardSearch.h"
#include "protocol/Frame.h"
#include "protocol/IntervalTimer.h"
#include "protocol/Link.h"
#include "protocol/MessageSink.h"
#include "protocol/ProgramState.h"
#include "protocol/WriteSequence.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTextStream>
#include <optional>

namespace qvx {

class UdpEndpoint;

// Failures of the shared sending code (the local port cannot be opened, a send fails) in
// plain words on standard error instead of a message box.
class StderrMessageSink : public MessageSink {
public:
    void show(const QString &text, const QString &title, MessageIcon icon) override;
    int count() const { return m_count; }
    // What the next messages concern: the device's address or the group.
    void setSubject(const QString &subject) { m_subject = subject; }

private:
    int m_count = 0;
    QString m_subject;
};

// One device's answer to a discovery: its record and the card it arrived on.
struct FoundDevice {
    QByteArray record; // data of the 107 reply
    QString card;      // the card's label; empty when unknown
    std::optional<LocalCard> localCard;
};

// qvxctl's side of the protocol: the windows' sending code (Link: aiming the endpoint at the
// device or the group, framing, the reply timer) driven one request at a time, waiting in an
// event loop for the reply the request expects or for the reply timer to run out.
class CtlSession {
public:
    // `timeoutMs`: how long a request waits for its reply; `discoveryMs`: how long a
    // discovery listens for answers; `card`: the one card a discovery searches (empty: all).
    CtlSession(UdpEndpoint &endpoint, CardSource &cards, int timeoutMs, int discoveryMs, const QString &card);

    // Sends `cmd` with `data` to `address` (unicast) and waits for the reply with the same
    // code. Nothing when the send failed or no reply came in time.
    std::optional<Frame> request(const QString &address, quint8 cmd, const QByteArray &data);
    // Sends `cmd` to the multicast group out of `card` (by routing when there is none), as
    // the discovery window writes the device of a row, and waits for the reply with the
    // same code.
    std::optional<Frame> requestGroup(quint8 cmd, const QByteArray &data, const std::optional<LocalCard> &card);
    // A simple command (data 0xAA 0xAA) to `address`.
    std::optional<Frame> command(const QString &address, quint8 cmd);

    // The windows' write sequence to `address`: logout now (through the same link call as
    // the windows), then, when the deferred-write timer has run `delayMs`, the write.
    // `loggedOut` tells whether the logout was answered. The write's reply, or nothing.
    std::optional<Frame> writeSequence(const QString &address, quint8 cmd, const QByteArray &data, int delayMs,
                                       bool *loggedOut);

    // Sends the discovery request to the group on every card searched and collects every
    // answer that arrives within the discovery time. A device that answers twice with the
    // same record on the same card is listed once. Cards not searched are named on stderr.
    // Nothing when no request could be sent.
    std::optional<QList<FoundDevice>> discover();

    // Asks every address for its settings as `scan` paces it, and hands each answer from
    // an asked address to the scan, until the scan has finished. `progress` is called with
    // the scan's progress. The scan's send function must be sendScanRequest().
    void runScan(AddressScan &scan, const QList<quint32> &addresses, int ratePerSecond, int retries);
    // One settings download to `address` for a scan: no reply timer, no message.
    SendResult sendScanRequest(quint32 address);

    // Lets `ms` pass, reading (and dropping) whatever arrives.
    void pause(int ms);

    int timeoutMs() const { return m_timeoutMs; }
    StderrMessageSink &messages() { return m_messages; }

private:
    std::optional<Frame> await(quint8 cmd);
    void aim(const QString &address);
    // Reads what has arrived into m_early.
    void keepEarlyReplies();

    UdpEndpoint &m_endpoint;
    int m_timeoutMs;
    int m_discoveryMs;
    QString m_card;
    CardSearch m_cards;
    ProgramState m_state;
    IntervalTimer m_replyTimer{QStringLiteral("reply"), 0, false};
    IntervalTimer m_deferredWriteTimer{QStringLiteral("deferred write"), 0, false};
    StderrMessageSink m_messages;
    Link m_link;
    WriteSequence m_writeSequence;
    // Replies that came in while another was awaited, oldest first.
    QList<Frame> m_early;
};

} // namespace qvx
