#pragma once
#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

namespace qvx {

class UdpEndpoint;
struct NetworkCard;
struct SendResult;
class MessageSink;
class IntervalTimer;
struct ProgramState;

// Where a request goes: an IPv4 address in host byte order and a UDP port.
struct Destination {
    quint32 address = 0;
    quint16 port = 0;

    // The devices' multicast group on the device port.
    static Destination group();
    // A device's address on the device port.
    static Destination device(quint32 address);
    QString addressText() const;
    bool operator==(const Destination &) const = default;
};

// The sending side of the protocol: binds the program's one port, frames requests, sends
// each to the destination it names and arms the reply timer.
class Link {
public:
    Link(UdpEndpoint &endpoint, ProgramState &state, IntervalTimer &replyTimer, MessageSink &messages);

    // Binds the local port if it is not bound yet. A failure is reported once until the
    // port opens; every later send tries again. True when the port is bound.
    bool ensureBound();

    // The device the unicast requests go to (the state's deviceAddress); nothing when an
    // octet is not within 0..255.
    std::optional<Destination> deviceDestination() const;
    // Dotted text of deviceAddress, octet 0 first.
    QString deviceAddressText() const;

    // Frames and sends one request to `to`. With replyTimeoutMs above 0 the reply timer is
    // armed and commandPending set; with 0 nothing waits for a reply. A send error is
    // shown with the title errorTitlePrefix followed by its number. Returns true when the
    // datagram left.
    bool sendFrame(quint8 cmd, const QByteArray &data, const Destination &to, int replyTimeoutMs,
                   const QString &errorTitlePrefix = QStringLiteral("Errore "));
    // The same to the device at deviceAddress; an address that cannot be reached is
    // explained by the unicast failure note.
    bool sendToDevice(quint8 cmd, const QByteArray &data, int replyTimeoutMs,
                      const QString &errorTitlePrefix = QStringLiteral("Errore "));
    // A simple command (data 0xAA 0xAA) to the device, waiting for its reply.
    bool sendCommand(quint8 code);

    // The same towards `to` out of one network card. A failure is not shown: it is
    // returned, for the caller to name the card it could not search.
    SendResult sendFrameThroughCard(quint8 cmd, const QByteArray &data, const Destination &to,
                                    const NetworkCard &card, int replyTimeoutMs);

    // Sends one request to `to` and nothing more: no reply timer, no message. For a search
    // that asks many addresses and counts its failures itself.
    SendResult sendQuietly(quint8 cmd, const QByteArray &data, const Destination &to);

    // A sentence added to the error text when a send to the device's address fails, e.g.
    // why that address cannot be reached; the note may be empty.
    using UnicastFailureNote = std::function<QString(const QString &host)>;
    void setUnicastFailureNote(UnicastFailureNote note) { m_unicastFailureNote = std::move(note); }

    // Ends the reply wait: commandPending false, reply timer disabled with interval 0.
    void stopReplyWait();

private:
    void afterSend(quint8 cmd, int replyTimeoutMs);

    UdpEndpoint &m_endpoint;
    ProgramState &m_state;
    IntervalTimer &m_replyTimer;
    MessageSink &m_messages;
    UnicastFailureNote m_unicastFailureNote;
};

} // namespace qvx
