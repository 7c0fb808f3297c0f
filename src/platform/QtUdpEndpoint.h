#pragma once
#include "protocol/Endpoint.h"

#include <QHostAddress>
#include <QUdpSocket>

namespace qvx {

// The real endpoint: one QUdpSocket bound on every local IPv4 address.
class QtUdpEndpoint : public UdpEndpoint {
    Q_OBJECT
public:
    // Receive buffer asked for after binding, so that a discovery storm is not dropped by
    // the kernel before the event loop drains it.
    static constexpr int kWantedReceiveBuffer = 4 * 1024 * 1024;

    explicit QtUdpEndpoint(QObject *parent = nullptr);

    void close() override;
    void setRemoteHost(const QString &host) override;
    QString remoteHost() const override { return m_remoteHost; }
    void setRemotePort(quint16 port) override { m_remotePort = port; }
    quint16 remotePort() const override { return m_remotePort; }
    bool bind(quint16 localPort, int *errorNumber, QString *errorText) override;
    bool isBound() const override;
    SendResult send(const QByteArray &datagram) override;
    bool hasPendingDatagram() const override;
    QByteArray readDatagram() override;
    QString localIPv4Address() const override;

    // The receive buffer size the system granted at the last bind (0 before any bind).
    int receiveBufferSize() const { return m_receiveBuffer; }
    quint16 localPort() const { return m_socket.localPort(); }

private:
    QUdpSocket m_socket;
    QString m_remoteHost;
    QHostAddress m_remoteAddress;
    quint16 m_remotePort = 0;
    int m_receiveBuffer = 0;
    static constexpr int kMaxDatagram = 65536;
    QByteArray m_readBuffer;
};

} // namespace qvx
