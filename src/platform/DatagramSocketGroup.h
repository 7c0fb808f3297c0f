#pragma once
#include "platform/DatagramSocket.h"

#include <QList>
#include <QString>

#include <memory>
#include <vector>

namespace qvx {

// The program's UDP port opened as a group of sockets that share it, each with a receive
// buffer of its own, so that a storm of replies fits in the system's buffers without root.
//
// One socket holds what the system grants it: on a stock system 416 KiB, about 500 device
// replies, while a large site answers a discovery with thousands at once, faster than any
// reader on a busy two-core laptop can be sure to take them. Where the system grants less
// than the wanted capacity, the port gets further members (SO_REUSEPORT), and a tiny socket
// filter program makes the system hand each arriving datagram to a member chosen at random,
// so that the members' buffers add up whatever the senders' addresses. Every member stamps
// each datagram with its arrival time (SO_TIMESTAMPNS); the reader (DatagramReceiver) puts
// the members' datagrams back into that order.
//
// Broadcasts and group datagrams reach every member: only the first member hands them over
// (DatagramBatchReader::BatchDetails::skipSharedCopies on the others).
//
// The first member is bound as an ordinary socket and only then opened for sharing; so a
// port already in use, by another program or another copy of this one, is refused exactly
// as with one socket, and a copy started later is refused as well.
class DatagramSocketGroup {
public:
    // Members at most: 32 of the stock 416 KiB hold about 16,000 replies.
    static constexpr int kMaxMembers = 32;

    DatagramSocketGroup() = default;
    ~DatagramSocketGroup() { close(); }
    DatagramSocketGroup(const DatagramSocketGroup &) = delete;
    DatagramSocketGroup &operator=(const DatagramSocketGroup &) = delete;

    // Opens port `localPort` (0: the system picks) with each member asking for
    // `wantedBuffer` bytes (see DatagramSocket::open), and with as many members as it takes
    // for their buffers to add up to `wantedCapacity` bytes, at least one and at most
    // kMaxMembers. Fails only when the first member cannot be opened; a member the system
    // refuses later leaves a smaller group.
    bool open(quint16 localPort, int wantedBuffer, qint64 wantedCapacity, int *errorNumber, QString *errorText);
    void close();

    bool isOpen() const { return !m_members.empty(); }
    quint16 localPort() const { return isOpen() ? first().localPort() : 0; }
    int memberCount() const { return int(m_members.size()); }
    // The member that sends, and hands over broadcasts and group datagrams.
    DatagramSocket &first() { return *m_members.front(); }
    const DatagramSocket &first() const { return *m_members.front(); }
    // Every member's descriptor, the first member's first.
    QList<int> descriptors() const;
    // Whether the system spreads datagrams across the members at random (else by the
    // senders' addresses, as it does without the filter program).
    bool spreadsAtRandom() const { return m_spreadsAtRandom; }
    // The receive buffer each member was granted, as the system reports it.
    int receiveBufferSize() const { return isOpen() ? first().receiveBufferSize() : 0; }
    // Datagrams the system dropped on all members since they were opened.
    quint64 droppedDatagrams() const;

private:
    std::vector<std::unique_ptr<DatagramSocket>> m_members;
    bool m_spreadsAtRandom = false;
};

} // namespace qvx
