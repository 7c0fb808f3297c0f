#pragma once
#include "netadapters/LocalCard.h"
#include "protocol/Endpoint.h"
#include "protocol/Layouts.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QSet>
#include <QTimer>

#include <functional>
#include <optional>

namespace qvx {

// A search by address: asks every address of a list for its settings (command 97) at a
// steady pace, asks each silent address again at the end, and collects the answers by their
// source address. Routers forward these requests, unlike a discovery's multicast, so the
// devices of other subnets are found too.
//
// While it runs the scan claims every settings reply from an address it asked and that has
// not answered yet: such a reply belongs to the scan, never to the window that downloads one
// device's settings; once a device has answered, a download the user asks of it meanwhile
// is the window's again. Sending is left to the caller's function, which
// must neither arm a reply timer nor show an error: a failed send is counted and reported
// once, at the end.
class AddressScan : public QObject {
    Q_OBJECT
public:
    // Sends one settings download to the address (host byte order).
    using Sender = std::function<SendResult(quint32 address)>;

    struct Found {
        quint32 address = 0;
        SettingsBlock settings;
        int length = 0; // data bytes the reply carried
        std::optional<LocalCard> card;
    };

    explicit AddressScan(Sender send, QObject *parent = nullptr);

    // Starts asking `addresses` at `ratePerSecond`, then `retries` more rounds for the
    // silent ones, then waits `lingerMs` for late answers. A scan already running is
    // stopped first.
    void start(const QList<quint32> &addresses, int ratePerSecond, int retries, int lingerMs = 1000);
    // Stops at once; finished() follows.
    void cancel();
    bool isRunning() const { return m_running; }

    // Whether a settings reply from `source` belongs to this scan.
    bool claims(quint32 source) const
    {
        return m_running && m_asked.contains(source) && !m_answered.contains(source);
    }
    // Takes such a reply.
    void takeReply(quint32 source, const SettingsBlock &settings, int length, const std::optional<LocalCard> &card);

    // What has been found, in order of arrival.
    const QList<Found> &found() const { return m_found; }
    // Requests sent so far (retries included) and the number of addresses.
    int requestsSent() const { return m_requestsSent; }
    int addressCount() const { return int(m_addresses.size()); }
    // Requests that could not be sent, and the first reason.
    int failedSends() const { return m_failedSends; }
    QString firstSendError() const { return m_firstSendError; }
    bool wasCancelled() const { return m_cancelled; }

Q_SIGNALS:
    // After every batch of requests: how many addresses of the current round are asked.
    void progress(int askedInRound, int roundSize, int round);
    void deviceFound(const qvx::AddressScan::Found &device);
    void finished();

private:
    void sendDue();
    void startRound(const QList<quint32> &addresses);
    void finish();

    Sender m_send;
    QList<quint32> m_addresses;
    QSet<quint32> m_asked;
    QSet<quint32> m_answered;
    QList<quint32> m_round;
    qsizetype m_next = 0;
    int m_roundNumber = 0;
    int m_retriesLeft = 0;
    int m_rate = 500;
    int m_lingerMs = 1000;
    QElapsedTimer m_roundClock;
    QTimer m_pace;
    QTimer m_linger;
    QList<Found> m_found;
    int m_requestsSent = 0;
    int m_failedSends = 0;
    QString m_firstSendError;
    bool m_running = false;
    bool m_cancelled = false;
};

} // namespace qvx
