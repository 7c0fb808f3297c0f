#include "platform/DatagramSocketGroup.h"

#include <arpa/inet.h>
#include <linux/filter.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <ctime>

namespace qvx {

namespace {

bool enable(int fd, int level, int name)
{
    const int one = 1;
    return ::setsockopt(fd, level, name, &one, sizeof one) == 0;
}

// Gives the port's datagrams to member (random number mod `members`): a classic socket
// filter program, which any user may attach.
bool spreadAtRandom(int fd, int members)
{
    sock_filter code[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, quint32(SKF_AD_OFF + SKF_AD_RANDOM)),
        BPF_STMT(BPF_ALU | BPF_MOD | BPF_K, quint32(members)),
        BPF_STMT(BPF_RET | BPF_A, 0),
    };
    const sock_fprog program{static_cast<unsigned short>(std::size(code)), code};
    return ::setsockopt(fd, SOL_SOCKET, SO_ATTACH_REUSEPORT_CBPF, &program, sizeof program) == 0;
}

// The system stamps datagrams as they arrive only while some socket wants stamps, and it
// starts a moment after the first one asks (the switch is deferred work); a datagram that
// arrived unstamped is stamped when it is read, which would put it out of order. So the
// program keeps one socket asking for its whole life, and the first group waits until
// stamping is on: that socket sends itself a datagram on loopback until the stamp is earlier
// than the moment the send returned. Gives up after about 100 ms.
void keepArrivalStampsOn()
{
    static const bool on = [] {
        const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in self{};
        self.sin_family = AF_INET;
        self.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof self;
        if (fd < 0 || !enable(fd, SOL_SOCKET, SO_TIMESTAMPNS) ||
            ::bind(fd, reinterpret_cast<sockaddr *>(&self), sizeof self) != 0 ||
            ::getsockname(fd, reinterpret_cast<sockaddr *>(&self), &length) != 0)
            return false;
        for (int attempt = 0; attempt < 100; ++attempt) {
            if (::sendto(fd, "t", 1, 0, reinterpret_cast<sockaddr *>(&self), sizeof self) != 1)
                return false;
            const qint64 sent = arrivalClockNow();
            pollfd waiting{fd, POLLIN, 0};
            if (::poll(&waiting, 1, 100) <= 0)
                return false;
            char byte;
            iovec vector{&byte, 1};
            alignas(cmsghdr) char control[CMSG_SPACE(sizeof(timespec))];
            msghdr message{};
            message.msg_iov = &vector;
            message.msg_iovlen = 1;
            message.msg_control = control;
            message.msg_controllen = sizeof control;
            if (::recvmsg(fd, &message, 0) < 0)
                return false;
            for (cmsghdr *c = CMSG_FIRSTHDR(&message); c; c = CMSG_NXTHDR(&message, c)) {
                if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS) {
                    timespec stamp;
                    std::memcpy(&stamp, CMSG_DATA(c), sizeof stamp);
                    if (qint64(stamp.tv_sec) * 1000000000 + stamp.tv_nsec <= sent)
                        return true; // the socket stays open on purpose
                }
            }
            ::usleep(1000);
        }
        return false;
    }();
    (void)on;
}

} // namespace

bool DatagramSocketGroup::open(quint16 localPort, int wantedBuffer, qint64 wantedCapacity, int *errorNumber,
                               QString *errorText)
{
    close();
    auto first = std::make_unique<DatagramSocket>();
    if (!first->open(localPort, wantedBuffer, errorNumber, errorText))
        return false;
    const qint64 granted = std::max(1, first->receiveBufferSize());
    const int wanted = int(std::clamp<qint64>((wantedCapacity + granted - 1) / granted, 1, kMaxMembers));
    const quint16 port = first->localPort();
    const int firstFd = first->descriptor();
    m_members.push_back(std::move(first));
    if (wanted < 2)
        return true;
    keepArrivalStampsOn();
    // Shared only now that it is bound: whoever else wants the port was refused already.
    if (!enable(firstFd, SOL_SOCKET, SO_TIMESTAMPNS) || !enable(firstFd, SOL_SOCKET, SO_REUSEPORT))
        return true;

    for (int i = 1; i < wanted; ++i) {
        auto member = std::make_unique<DatagramSocket>();
        if (!member->open(port, wantedBuffer, nullptr, nullptr, true))
            break;
        m_members.push_back(std::move(member));
    }
    if (m_members.size() > 1)
        m_spreadsAtRandom = spreadAtRandom(m_members.back()->descriptor(), memberCount());
    return true;
}

void DatagramSocketGroup::close()
{
    // The later members first, so that the port is free once the first one is closed.
    while (!m_members.empty())
        m_members.pop_back();
    m_spreadsAtRandom = false;
}

QList<int> DatagramSocketGroup::descriptors() const
{
    QList<int> out;
    out.reserve(qsizetype(m_members.size()));
    for (const auto &member : m_members)
        out.append(member->descriptor());
    return out;
}

quint64 DatagramSocketGroup::droppedDatagrams() const
{
    quint64 sum = 0;
    for (const auto &member : m_members)
        sum += member->droppedDatagrams();
    return sum;
}

} // namespace qvx
