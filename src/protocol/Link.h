#pragma once
#include <QByteArray>
#include <QString>

#include <functional>

namespace qvx {

class UdpEndpoint;
struct NetworkCard;
struct SendResult;
class MessageSink;
class IntervalTimer;
struct ProgramState;

enum class Target { Unicast, Multicast };

// The sending side of the protocol: aims the one endpoint at the device or at the
// multicast group, frames requests and arms the reply timer.
class Link {
public:
    Link(UdpEndpoint &endpoint, ProgramState &state, IntervalTimer &replyTimer, MessageSink &messages);

    // Dotted text of deviceAddress, octet 0 first.
    QString deviceAddressText() const;

    bool isUnicastTargetSelected() const;
    void selectUnicastTarget();
    bool isMulticastTargetSelected() const;
    void selectMulticastTarget();

    // Aims the endpoint, frames and sends one request. With replyTimeoutMs above 0 the
    // reply timer is armed and commandPending set; with 0 nothing waits for a reply.
    // A send error is shown with the title errorTitlePrefix followed by its number.
    // Returns true when the datagram left.
    bool sendFrame(quint8 cmd, const QByteArray &data, Target target, int replyTimeoutMs,
                   const QString &errorTitlePrefix = QStringLiteral("Errore "));

    // The same towards the multicast group, out of one network card. A failure is not shown:
    // it is returned, for the caller to name the card it could not search.
    SendResult sendFrameThroughCard(quint8 cmd, const QByteArray &data, const NetworkCard &card, int replyTimeoutMs);

    // The first step of every write by address: logout (103) to the device now, the write
    // `writeCode` remembered as pendingWriteCode and `deferredWriteTimer` armed with
    // `delayMs`; the timer's expiry sends the write.
    void startWriteSequence(quint8 writeCode, IntervalTimer &deferredWriteTimer, int delayMs);

    // A sentence added to the error text when a send to the device's address fails, e.g.
    // why that address cannot be reached; the note may be empty.
    using UnicastFailureNote = std::function<QString(const QString &host)>;
    void setUnicastFailureNote(UnicastFailureNote note) { m_unicastFailureNote = std::move(note); }

    // A simple command (data 0xAA 0xAA) to the device, waiting for its reply.
    bool sendCommand(quint8 code);

    // Ends the reply wait: commandPending false, reply timer disabled with interval 0.
    void stopReplyWait();

private:
    bool ensureBound();
    void bindLocalPort();

    UdpEndpoint &m_endpoint;
    ProgramState &m_state;
    IntervalTimer &m_replyTimer;
    MessageSink &m_messages;
    UnicastFailureNote m_unicastFailureNote;
};

} // namespace qvx
