#include "platform/DatagramSocket.h"

#include <QNetworkInterface>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <linux/sock_diag.h>
#include <unistd.h>

namespace qvx {

namespace {

SendResult systemError(int number)
{
    return {false, number, qt_error_string(number)};
}

sockaddr_in ipv4Address(quint32 address, quint16 port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(address);
    return a;
}

bool setIntOption(int fd, int level, int name, int value)
{
    return ::setsockopt(fd, level, name, &value, sizeof value) == 0;
}

// Room for the control messages asked for: the card and destination, the drop counter and,
// on the sockets of a group, the arrival time.
constexpr size_t kControlSpace =
    CMSG_SPACE(sizeof(in_pktinfo)) + CMSG_SPACE(sizeof(quint32)) + CMSG_SPACE(sizeof(timespec)) + 16;
static_assert(kControlSpace % alignof(cmsghdr) == 0);

} // namespace

qint64 arrivalClockNow()
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

int interfaceIndexOfAddress(quint32 address)
{
    const QHostAddress wanted(address);
    const QList<QNetworkInterface> cards = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &card : cards)
        for (const QNetworkAddressEntry &entry : card.addressEntries())
            if (entry.ip() == wanted)
                return card.index();
    return 0;
}

bool DatagramSocket::open(quint16 localPort, int wantedBuffer, int *errorNumber, QString *errorText, bool joinSharedPort)
{
    close();
    const auto fail = [&](int number) {
        if (errorNumber)
            *errorNumber = number;
        if (errorText)
            *errorText = qt_error_string(number);
        close();
        return false;
    };
    m_fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_fd < 0)
        return fail(errno);
    // The card and destination of each datagram, and the system's drop counter with it.
    setIntOption(m_fd, IPPROTO_IP, IP_PKTINFO, 1);
    setIntOption(m_fd, SOL_SOCKET, SO_RXQ_OVFL, 1);
    // Requests to the group travel one hop only.
    setIntOption(m_fd, IPPROTO_IP, IP_MULTICAST_TTL, 1);
    // Root may go beyond net.core.rmem_max; everyone else gets at most the cap.
    if (!setIntOption(m_fd, SOL_SOCKET, SO_RCVBUFFORCE, wantedBuffer))
        setIntOption(m_fd, SOL_SOCKET, SO_RCVBUF, wantedBuffer);
    // A member of a group stamps each datagram with its arrival time, so that the group's
    // datagrams can be put back in order.
    if (joinSharedPort &&
        (!setIntOption(m_fd, SOL_SOCKET, SO_TIMESTAMPNS, 1) || !setIntOption(m_fd, SOL_SOCKET, SO_REUSEPORT, 1)))
        return fail(errno);
    const sockaddr_in local = ipv4Address(INADDR_ANY, localPort);
    if (::bind(m_fd, reinterpret_cast<const sockaddr *>(&local), sizeof local) != 0)
        return fail(errno);
    sockaddr_in bound{};
    socklen_t length = sizeof bound;
    if (::getsockname(m_fd, reinterpret_cast<sockaddr *>(&bound), &length) != 0)
        return fail(errno);
    m_localPort = ntohs(bound.sin_port);
    int granted = 0;
    length = sizeof granted;
    if (::getsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &granted, &length) == 0)
        m_receiveBuffer = granted;
    return true;
}

void DatagramSocket::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_localPort = 0;
}

SendResult DatagramSocket::sendTo(const QByteArray &datagram, quint32 address, quint16 port, const NetworkCard *card)
{
    if (m_fd < 0)
        return systemError(EBADF);
    const sockaddr_in remote = ipv4Address(address, port);
    ssize_t sent = -1;
    if (!card) {
        sent = ::sendto(m_fd, datagram.constData(), size_t(datagram.size()), 0,
                        reinterpret_cast<const sockaddr *>(&remote), sizeof remote);
    } else {
        // The card chosen for this one datagram (IP_PKTINFO): the system takes it for the
        // outgoing interface of a multicast group as well, and treats a destination without
        // a route as on that card's link.
        in_pktinfo info{};
        info.ipi_ifindex = card->interfaceIndex ? card->interfaceIndex : interfaceIndexOfAddress(card->address);
        info.ipi_spec_dst.s_addr = htonl(card->address);
        if (info.ipi_ifindex == 0) // no card has that address
            return systemError(ENODEV);
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
        iovec vector{const_cast<char *>(datagram.constData()), size_t(datagram.size())};
        msghdr message{};
        message.msg_name = const_cast<sockaddr_in *>(&remote);
        message.msg_namelen = sizeof remote;
        message.msg_iov = &vector;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        cmsghdr *header = CMSG_FIRSTHDR(&message);
        header->cmsg_level = IPPROTO_IP;
        header->cmsg_type = IP_PKTINFO;
        header->cmsg_len = CMSG_LEN(sizeof info);
        std::memcpy(CMSG_DATA(header), &info, sizeof info);
        sent = ::sendmsg(m_fd, &message, 0);
    }
    if (sent < 0)
        return systemError(errno);
    if (sent != datagram.size())
        return systemError(EMSGSIZE);
    return {};
}

quint64 DatagramSocket::droppedDatagrams() const
{
    if (m_fd < 0)
        return 0;
    quint32 memory[SK_MEMINFO_VARS] = {};
    socklen_t length = sizeof memory;
    if (::getsockopt(m_fd, SOL_SOCKET, SO_MEMINFO, memory, &length) != 0 ||
        length < socklen_t((SK_MEMINFO_DROPS + 1) * sizeof(quint32)))
        return 0;
    return memory[SK_MEMINFO_DROPS];
}

DatagramBatchReader::DatagramBatchReader()
    : m_data(size_t(kBatch) * kMaxDatagram), m_control(kBatch * kControlSpace), m_names(kBatch),
      m_vectors(kBatch), m_headers(kBatch)
{
}

DatagramBatchReader::~DatagramBatchReader() = default;

int DatagramBatchReader::readBatch(int fd, QList<ReceivedDatagram> &out, BatchDetails *details)
{
    for (int i = 0; i < kBatch; ++i) {
        m_vectors[i] = {m_data.data() + size_t(i) * kMaxDatagram, size_t(kMaxDatagram)};
        msghdr &h = m_headers[i].msg_hdr;
        h = {};
        h.msg_name = &m_names[i];
        h.msg_namelen = sizeof(sockaddr_in);
        h.msg_iov = &m_vectors[i];
        h.msg_iovlen = 1;
        h.msg_control = m_control.data() + size_t(i) * kControlSpace;
        h.msg_controllen = kControlSpace;
        m_headers[i].msg_len = 0;
    }
    int count;
    do
        count = ::recvmmsg(fd, m_headers.data(), kBatch, MSG_DONTWAIT, nullptr);
    while (count < 0 && errno == EINTR);
    if (count < 0)
        return (errno == EAGAIN || errno == EWOULDBLOCK) ? 0 : -1;

    out.reserve(out.size() + count);
    for (int i = 0; i < count; ++i) {
        msghdr &h = m_headers[i].msg_hdr;
        ReceivedDatagram d;
        quint32 localAddress = 0;
        qint64 arrival = 0;
        for (cmsghdr *c = CMSG_FIRSTHDR(&h); c; c = CMSG_NXTHDR(&h, c)) {
            if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
                in_pktinfo info;
                std::memcpy(&info, CMSG_DATA(c), sizeof info);
                d.destinationAddress = ntohl(info.ipi_addr.s_addr);
                localAddress = ntohl(info.ipi_spec_dst.s_addr);
                d.interfaceIndex = info.ipi_ifindex;
            } else if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SO_RXQ_OVFL) {
                quint32 drops;
                std::memcpy(&drops, CMSG_DATA(c), sizeof drops);
                m_reportedDrops = std::max(m_reportedDrops, drops);
                if (details)
                    details->dropCounter = std::max(details->dropCounter, drops);
            } else if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS) {
                timespec stamp;
                std::memcpy(&stamp, CMSG_DATA(c), sizeof stamp);
                arrival = qint64(stamp.tv_sec) * 1000000000 + stamp.tv_nsec;
            }
        }
        // A datagram to one of this host's own addresses carries that address as its
        // destination; a broadcast or a group's datagram carries another.
        if (details && details->skipSharedCopies && d.destinationAddress != localAddress)
            continue;
        d.data = QByteArray(static_cast<const char *>(m_vectors[i].iov_base), qsizetype(m_headers[i].msg_len));
        d.truncated = (h.msg_flags & MSG_TRUNC) != 0;
        m_truncated += d.truncated;
        if (h.msg_namelen >= sizeof(sockaddr_in)) {
            d.sourceAddress = ntohl(m_names[i].sin_addr.s_addr);
            d.sourcePort = ntohs(m_names[i].sin_port);
        }
        if (details && details->arrivalTimes)
            details->arrivalTimes->push_back(arrival);
        out.append(std::move(d));
    }
    return count;
}

} // namespace qvx
