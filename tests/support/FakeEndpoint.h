#pragma once
#include "netadapters/LocalCard.h"
#include "protocol/Endpoint.h"
#include "protocol/Frame.h"

#include <QHash>
#include <QList>
#include <QQueue>
#include <QStringList>

#include <functional>

namespace qvx::test {

// Endpoint test double: records every datagram sent with the address and port it went to
// (and the card, for sends through one card), counts binds, lets a test inject datagrams as
// if they had arrived, with their source, destination and card, and set the system's drop
// counter.
class FakeEndpoint : public UdpEndpoint {
    Q_OBJECT
public:
    struct Sent {
        QByteArray datagram;
        QString host;
        quint16 port = 0;
        // Set for sendThroughCard only.
        bool throughCard = false;
        NetworkCard card;
    };

    bool bind(quint16 localPort, int *errorNumber, QString *errorText) override
    {
        ++bindCount;
        if (failBind) {
            *errorNumber = 8;
            *errorText = QStringLiteral("The bound address is already in use");
            return false;
        }
        m_bound = true;
        boundPort = localPort;
        return true;
    }
    bool isBound() const override { return m_bound; }
    SendResult send(const QByteArray &datagram, quint32 address, quint16 port) override
    {
        return record({datagram, dotted(address), port, false, {}});
    }
    SendResult sendThroughCard(const QByteArray &datagram, quint32 address, quint16 port,
                               const NetworkCard &card) override
    {
        if (refusedCards.contains(card.interfaceIndex))
            return refusedCards.value(card.interfaceIndex);
        return record({datagram, dotted(address), port, true, card});
    }
    QList<ReceivedDatagram> readPendingDatagrams() override
    {
        QList<ReceivedDatagram> out(m_incoming.begin(), m_incoming.end());
        m_incoming.clear();
        return out;
    }
    bool hasPendingDatagram() const override { return !m_incoming.isEmpty(); }
    quint64 droppedDatagrams() const override { return dropped; }
    bool countsDroppedDatagrams() const override { return countsDrops; }

    // Queues datagrams with their source, destination and card, and signals their arrival
    // once.
    void injectReceived(const QList<ReceivedDatagram> &datagrams)
    {
        for (const ReceivedDatagram &d : datagrams)
            m_incoming.enqueue(d);
        Q_EMIT readyRead();
    }
    // Queues datagrams as replies of the host the last datagram went to, sent to the local
    // address on card `arrivalCard`, and signals their arrival once.
    void injectDatagrams(const QList<QByteArray> &datagrams)
    {
        const ReceivedDatagram reply = asReply({});
        QList<ReceivedDatagram> received(datagrams.size(), reply);
        for (qsizetype i = 0; i < datagrams.size(); ++i)
            received[i].data = datagrams[i];
        injectReceived(received);
    }
    void injectDatagram(const QByteArray &datagram) { injectDatagrams({datagram}); }
    // Builds a reply frame ("<$" ...) and injects it.
    void injectReply(quint8 cmd, const QByteArray &data) { injectDatagram(buildReplyFrame(cmd, data)); }

    // Frames sent, as bytes only, and the command code of each.
    QList<QByteArray> frames() const
    {
        QList<QByteArray> out;
        for (const Sent &s : sent)
            out.append(s.datagram);
        return out;
    }
    QList<int> commands() const
    {
        QList<int> out;
        for (const Sent &s : sent)
            out.append(s.datagram.size() > 2 ? quint8(s.datagram[2]) : -1);
        return out;
    }
    void clearSent() { sent.clear(); }

    // Where the last datagram went ("" before any).
    QString lastHost() const { return sent.isEmpty() ? QString() : sent.last().host; }

    // The datagram as the reply of the host the last datagram went to would arrive.
    ReceivedDatagram asReply(const QByteArray &datagram) const
    {
        ReceivedDatagram d;
        d.data = datagram;
        d.sourceAddress = sent.isEmpty() ? 0 : ipv4(sent.last().host);
        d.sourcePort = sent.isEmpty() ? 0 : sent.last().port;
        d.destinationAddress = ipv4(localAddress);
        d.interfaceIndex = arrivalCard;
        return d;
    }
    static QString dotted(quint32 address) { return dottedText(address); }
    // Dotted IPv4 text as a number in host byte order, 0 when it is not one.
    static quint32 ipv4(const QString &dotted) { return parseDotted(dotted).value_or(0); }

    QList<Sent> sent;
    // Called after each datagram that left, e.g. to let a simulated device answer.
    std::function<void(const Sent &)> onSend;
    int bindCount = 0;
    quint16 boundPort = 0;
    QString localAddress = QStringLiteral("192.168.0.10");
    // The card injected datagrams arrive on, and the system's drop counter.
    int arrivalCard = 2;
    quint64 dropped = 0;
    bool countsDrops = true;

    // Failure injection.
    bool failBind = false, failSend = false;
    int failErrorNumber = 10051;
    // Sends through the card with this interface index fail with the result given.
    QHash<int, SendResult> refusedCards;
    QString failErrorText = QStringLiteral("Network is unreachable");

private:
    SendResult record(const Sent &datagram)
    {
        if (failSend)
            return {false, failErrorNumber, failErrorText};
        sent.append(datagram);
        if (onSend)
            onSend(sent.last());
        return {};
    }

    bool m_bound = false;
    QQueue<ReceivedDatagram> m_incoming;
};

} // namespace qvx::test
