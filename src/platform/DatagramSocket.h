#pragma once
#include "protocol/Endpoint.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/uio.h>

#include <vector>

namespace qvx {

// The program's IPv4 UDP socket as a POSIX descriptor: bound on every local address,
// asking the system for the card and destination of each datagram (IP_PKTINFO) and for its
// drop counter (SO_RXQ_OVFL). Reading and sending may happen on two threads at once; open
// and close may not overlap either.
class DatagramSocket {
public:
    DatagramSocket() = default;
    ~DatagramSocket() { close(); }
    DatagramSocket(const DatagramSocket &) = delete;
    DatagramSocket &operator=(const DatagramSocket &) = delete;

    // Opens a non-blocking socket on port `localPort` of every local IPv4 address (0: the
    // system picks) and asks for a receive buffer of `wantedBuffer` bytes, beyond the
    // system's cap when allowed to (root), else as large as the cap lets. With
    // `joinSharedPort` the socket joins a port that another socket of this program has
    // opened for sharing (DatagramSocketGroup); without, the port must be free. On failure
    // the socket stays closed and errorNumber/errorText hold the system's error.
    bool open(quint16 localPort, int wantedBuffer, int *errorNumber, QString *errorText, bool joinSharedPort = false);
    void close();
    bool isOpen() const { return m_fd >= 0; }
    int descriptor() const { return m_fd; }
    quint16 localPort() const { return m_localPort; }
    // The receive buffer the system granted at open, as it reports it.
    int receiveBufferSize() const { return m_receiveBuffer; }

    // Sends to address:port (host byte order); through `card` when given, else by routing.
    SendResult sendTo(const QByteArray &datagram, quint32 address, quint16 port, const NetworkCard *card = nullptr);

    // Datagrams dropped by the system on this socket since it was opened.
    quint64 droppedDatagrams() const;

private:
    int m_fd = -1;
    quint16 m_localPort = 0;
    int m_receiveBuffer = 0;
};

// Reads datagrams in batches of kBatch with one system call each (recvmmsg), with the
// source, destination, card, arrival time and the socket's drop counter. One reader per
// thread; it may read several sockets in turn.
class DatagramBatchReader {
public:
    static constexpr int kBatch = 64;
    // Bytes kept of each datagram. A device frame is about 100 bytes; a longer datagram is
    // handed over cut to this length and marked truncated (the program looks at no more than
    // its first 101 bytes).
    static constexpr int kMaxDatagram = 2048;

    DatagramBatchReader();
    ~DatagramBatchReader();
    DatagramBatchReader(const DatagramBatchReader &) = delete;
    DatagramBatchReader &operator=(const DatagramBatchReader &) = delete;

    // What a read reports beyond the datagrams, for a reader of several sockets.
    struct BatchDetails {
        // When set, the arrival time of each datagram appended to `out`, in nanoseconds
        // since the epoch as the system stamped it (SO_TIMESTAMPNS), or 0 if it did not.
        std::vector<qint64> *arrivalTimes = nullptr;
        // Leave out the datagrams that were not addressed to one of this host's own
        // addresses (broadcasts, multicasts): every socket sharing a port receives its own
        // copy of those, and one member of the group hands them over.
        bool skipSharedCopies = false;
        // Out: the socket's drop counter as last reported in this batch (0 if not reported).
        quint32 dropCounter = 0;
    };

    // Reads one batch of the datagrams waiting on `fd` without blocking and appends them to
    // `out`. Returns how many were read, skipped copies included: 0 when none was waiting,
    // -1 on an error other than "nothing waiting" (errno tells).
    int readBatch(int fd, QList<ReceivedDatagram> &out, BatchDetails *details = nullptr);
    // Highest drop counter the system reported with a datagram (0 before any), for a reader
    // of one socket.
    quint32 reportedDrops() const { return m_reportedDrops; }
    // Datagrams handed over cut since the reader was made.
    quint64 truncatedDatagrams() const { return m_truncated; }

private:
    std::vector<char> m_data;
    std::vector<char> m_control;
    std::vector<sockaddr_in> m_names;
    std::vector<iovec> m_vectors;
    std::vector<mmsghdr> m_headers;
    quint32 m_reportedDrops = 0;
    quint64 m_truncated = 0;
};

// Now, on the clock the system stamps arrivals with (SO_TIMESTAMPNS), in nanoseconds since
// the epoch: the unit of BatchDetails::arrivalTimes.
qint64 arrivalClockNow();

// The system's index of the card holding IPv4 address `address` (host order), 0 if none.
int interfaceIndexOfAddress(quint32 address);

} // namespace qvx
