#pragma once
#include <QByteArray>
#include <QObject>
#include <QString>

namespace qvx {

// Outcome of one send. errorNumber and errorText are the platform's when ok is false.
struct SendResult {
    bool ok = true;
    int errorNumber = 0;
    QString errorText;
};

// The program's one UDP endpoint: a remote host and port to send to, a local port bound
// on every local address, and a datagram-arrival signal.
class UdpEndpoint : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~UdpEndpoint() override = default;

    virtual void close() = 0;
    virtual void setRemoteHost(const QString &host) = 0;
    virtual QString remoteHost() const = 0;
    virtual void setRemotePort(quint16 port) = 0;
    virtual quint16 remotePort() const = 0;
    // Binds the local port on every local IPv4 address. On failure fills errorText.
    virtual bool bind(quint16 localPort, int *errorNumber, QString *errorText) = 0;
    virtual bool isBound() const = 0;
    // Sends one datagram to the remote host and port.
    virtual SendResult send(const QByteArray &datagram) = 0;
    virtual bool hasPendingDatagram() const = 0;
    // Reads the next pending datagram; an empty array when none could be read.
    virtual QByteArray readDatagram() = 0;
    // The local IPv4 address this endpoint sends from, as dotted text (empty when unknown).
    virtual QString localIPv4Address() const = 0;

Q_SIGNALS:
    // One or more datagrams are waiting.
    void readyRead();
};

} // namespace qvx
