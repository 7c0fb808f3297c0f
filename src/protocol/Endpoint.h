#pragma once
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

namespace qvx {

// Outcome of one send. errorNumber and errorText are the platform's when ok is false.
struct SendResult {
    bool ok = true;
    int errorNumber = 0;
    QString errorText;
};

// One datagram as it arrived. IPv4 addresses are in host byte order (0xC0A8000A is
// 192.168.0.10); 0 and an interface index of 0 mean "not known".
struct ReceivedDatagram {
    QByteArray data;
    quint32 sourceAddress = 0;
    quint16 sourcePort = 0;
    // The datagram's own destination: the address of the card it was sent to, or the
    // multicast group it was sent to.
    quint32 destinationAddress = 0;
    // The system's index of the network card it arrived on.
    int interfaceIndex = 0;
    // The datagram was longer than the endpoint reads: data holds its first bytes only.
    bool truncated = false;
};

// One network card of this host to send through. At least one of the two is set; with
// both, the index chooses the card and the address is the source of the datagram.
struct NetworkCard {
    int interfaceIndex = 0;
    quint32 address = 0; // IPv4, host byte order
};

// The program's one UDP endpoint: a local port bound once on every local IPv4 address,
// sends that each name their destination, and a datagram-arrival signal. Replies from any
// device arrive on the same port whatever was sent last.
class UdpEndpoint : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~UdpEndpoint() override = default;

    // Binds the local port on every local IPv4 address. Called once at start, and again
    // only after a bind failed. On failure fills errorNumber and errorText.
    virtual bool bind(quint16 localPort, int *errorNumber, QString *errorText) = 0;
    virtual bool isBound() const = 0;
    // Sends one datagram to address:port (IPv4, host byte order), out of the card the
    // routing table chooses.
    virtual SendResult send(const QByteArray &datagram, quint32 address, quint16 port) = 0;
    // Sends one datagram to address:port out of the given card, from the bound local port,
    // whatever the routing table says: a multicast group or an address with no route at
    // all is reached on that card's link.
    virtual SendResult sendThroughCard(const QByteArray &datagram, quint32 address, quint16 port,
                                       const NetworkCard &card) = 0;
    // Takes every datagram waiting, in order of arrival; empty when none is.
    virtual QList<ReceivedDatagram> readPendingDatagrams() = 0;
    // Whether a datagram is waiting to be taken.
    virtual bool hasPendingDatagram() const = 0;
    // Datagrams addressed to this endpoint that the system dropped (its receive buffer was
    // full) since the endpoint was made; it only ever grows. Callers compare two readings
    // to count the losses of one period.
    virtual quint64 droppedDatagrams() const = 0;
    // Whether the platform counts those drops at all; where it does not, droppedDatagrams()
    // stays 0 and says nothing about losses.
    virtual bool countsDroppedDatagrams() const { return true; }

Q_SIGNALS:
    // One or more datagrams are waiting.
    void readyRead();
};

} // namespace qvx
