#pragma once
#include "protocol/Endpoint.h"

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

    void close() override;
    void setRemoteHost(const QString &host) override { m_host = host; }
    QString remoteHost() const override { return m_host; }
    void setRemotePort(quint16 port) override { m_port = port; }
    quint16 remotePort() const override { return m_port; }
    bool bind(quint16 localPort, int *errorNumber, QString *errorText) override;
    bool isBound() const override { return m_bound; }
    SendResult send(const QByteArray &datagram) override;
    bool hasPendingDatagram() const override { return !m_incoming.isEmpty(); }
    QByteArray readDatagram() override;
    QString localIPv4Address() const override { return localAddress; }

    // Queues datagrams and signals their arrival once.
    void injectDatagram(const QByteArray &datagram);
    void injectDatagrams(const QList<QByteArray> &datagrams);
    // Builds a reply frame ("<$" ...) and injects it.
    void injectReply(quint8 cmd, const QByteArray &data);

    QList<Sent> sent;
    // Called after each datagram that left, e.g. to let a simulated device answer.
    std::function<void(const Sent &)> onSend;
    int closeCount = 0;
    int bindCount = 0;
    quint16 boundPort = 0;
    QString localAddress = QStringLiteral("192.168.0.10");

    // Failure injection.
    bool failBind = false;
    bool failSend = false;
    // Like a real socket, closing discards datagrams that were waiting.
    bool dropPendingOnClose = false;
    int failErrorNumber = 10051;
    QString failErrorText = QStringLiteral("Network is unreachable");

    // Frames sent, as bytes only.
    QList<QByteArray> frames() const;
    // Command code of each frame sent.
    QList<int> commands() const;
    void clearSent() { sent.clear(); }

private:
    QString m_host;
    quint16 m_port = 0;
    bool m_bound = false;
    QQueue<QByteArray> m_incoming;
};

} // namespace qvx::test
