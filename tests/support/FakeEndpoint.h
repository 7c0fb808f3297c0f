#pragma once
#include "protocol/Endpoint.h"
#include "protocol/Frame.h"

#include <QList>
#include <QQueue>

#include <functional>

namespace qvx::test {

// Endpoint test double: records every datagram sent with the remote host and port it went
// to, counts closes and binds, and lets a test inject datagrams as if they had arrived.
class FakeEndpoint : public UdpEndpoint {
    Q_OBJECT
public:
    struct Sent {
        QByteArray datagram;
        QString host;
        quint16 port = 0;
    };

    void close() override
    {
        ++closeCount;
        m_bound = false;
        if (dropPendingOnClose)
            m_incoming.clear();
    }
    void setRemoteHost(const QString &host) override { m_host = host; }
    QString remoteHost() const override { return m_host; }
    void setRemotePort(quint16 port) override { m_port = port; }
    quint16 remotePort() const override { return m_port; }
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
    SendResult send(const QByteArray &datagram) override
    {
        if (failSend)
            return {false, failErrorNumber, failErrorText};
        sent.append({datagram, m_host, m_port});
        if (onSend)
            onSend(sent.last());
        return {};
    }
    bool hasPendingDatagram() const override { return !m_incoming.isEmpty(); }
    QByteArray readDatagram() override { return m_incoming.isEmpty() ? QByteArray() : m_incoming.dequeue(); }
    QString localIPv4Address() const override { return localAddress; }

    // Queues datagrams and signals their arrival once.
    void injectDatagrams(const QList<QByteArray> &datagrams)
    {
        for (const QByteArray &d : datagrams)
            m_incoming.enqueue(d);
        Q_EMIT readyRead();
    }
    void injectDatagram(const QByteArray &datagram) { injectDatagrams({datagram}); }
    // Builds a reply frame ("<$" ...) and injects it.
    void injectReply(quint8 cmd, const QByteArray &data) { injectDatagram(BuildReplyFrame(cmd, data)); }

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

    QList<Sent> sent;
    // Called after each datagram that left, e.g. to let a simulated device answer.
    std::function<void(const Sent &)> onSend;
    int closeCount = 0, bindCount = 0;
    quint16 boundPort = 0;
    QString localAddress = QStringLiteral("192.168.0.10");

    // Failure injection. Like a real socket, closing may discard the datagrams waiting.
    bool failBind = false, failSend = false, dropPendingOnClose = false;
    int failErrorNumber = 10051;
    QString failErrorText = QStringLiteral("Network is unreachable");

private:
    QString m_host;
    quint16 m_port = 0;
    bool m_bound = false;
    QQueue<QByteArray> m_incoming;
};

} // namespace qvx::test
