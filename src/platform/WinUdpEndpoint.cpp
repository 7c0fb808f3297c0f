#include "platform/WinUdpEndpoint.h"

#include <QMetaObject>

#include <winsock2.h>
#include <ws2tcpip.h>
#include <mswsock.h>

#include <cstring>
#include <system_error>
#include <vector>

namespace qvx {

namespace {

SOCKET socketOf(std::uintptr_t handle)
{
    return static_cast<SOCKET>(handle);
}

// The text of a Winsock error. A port held by another socket reads as on Linux.
QString errorTextOf(int code)
{
    if (code == WSAEADDRINUSE)
        return QStringLiteral("Address already in use");
    return qt_error_string(code);
}

SendResult systemError(int code)
{
    return {false, code, errorTextOf(code)};
}

sockaddr_in ipv4Address(quint32 address, quint16 port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(address);
    return a;
}

template <typename T>
bool setOption(SOCKET s, int level, int name, T value)
{
    return ::setsockopt(s, level, name, reinterpret_cast<const char *>(&value), int(sizeof value)) == 0;
}

bool isMulticast(quint32 address)
{
    return (address >> 28) == 0xE;
}

// Datagrams read before each hand-over at most, so that the window thread gets the first
// replies of a storm early.
constexpr int kBatch = 64;

} // namespace

WinUdpEndpoint::WinUdpEndpoint(QObject *parent) : UdpEndpoint(parent), m_socket(INVALID_SOCKET)
{
    WSADATA data;
    m_winsockStarted = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

WinUdpEndpoint::~WinUdpEndpoint()
{
    close();
    if (m_winsockStarted)
        WSACleanup();
}

void WinUdpEndpoint::close()
{
    if (m_thread.joinable()) {
        {
            const std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_room.notify_all();
        SetEvent(static_cast<HANDLE>(m_stopEvent));
        m_thread.join();
    }
    if (socketOf(m_socket) != INVALID_SOCKET)
        ::closesocket(socketOf(m_socket));
    m_socket = INVALID_SOCKET;
    if (m_readEvent)
        WSACloseEvent(static_cast<WSAEVENT>(m_readEvent));
    if (m_stopEvent)
        CloseHandle(static_cast<HANDLE>(m_stopEvent));
    m_readEvent = m_stopEvent = m_receiveMessage = nullptr;
    m_localPort = 0;
    const std::lock_guard lock(m_mutex);
    m_queue.clear();
    m_wakePosted = false;
    m_stopping = false;
}

bool WinUdpEndpoint::bind(quint16 localPort, int *errorNumber, QString *errorText)
{
    close();
    const auto fail = [&](int code) {
        if (errorNumber)
            *errorNumber = code;
        if (errorText)
            *errorText = errorTextOf(code);
        close();
        return false;
    };
    if (!m_winsockStarted)
        return fail(WSANOTINITIALISED);
    const SOCKET s = WSASocketW(AF_INET, SOCK_DGRAM, IPPROTO_UDP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    if (s == INVALID_SOCKET)
        return fail(WSAGetLastError());
    m_socket = s;

    // The port is this socket's alone: a second copy of the program is refused at its bind.
    if (!setOption(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, BOOL(TRUE)))
        return fail(WSAGetLastError());
    // The card and destination of each datagram.
    if (!setOption(s, IPPROTO_IP, IP_PKTINFO, DWORD(1)))
        return fail(WSAGetLastError());
    // Requests to the group travel one hop only.
    setOption(s, IPPROTO_IP, IP_MULTICAST_TTL, DWORD(1));
    setOption(s, SOL_SOCKET, SO_RCVBUF, int(kWantedReceiveBuffer));
    // A "port unreachable" answer to one of our datagrams would otherwise make the next
    // receive fail (WSAECONNRESET) in the middle of a discovery.
    BOOL reportReset = FALSE;
    DWORD returned = 0;
    WSAIoctl(s, SIO_UDP_CONNRESET, &reportReset, sizeof reportReset, nullptr, 0, &returned, nullptr, nullptr);

    const sockaddr_in local = ipv4Address(INADDR_ANY, localPort);
    if (::bind(s, reinterpret_cast<const sockaddr *>(&local), sizeof local) != 0) {
        const int code = WSAGetLastError();
        // WSAEACCES: the port is held exclusively by another program, or reserved.
        return fail(code == WSAEACCES ? WSAEADDRINUSE : code);
    }
    sockaddr_in bound{};
    int length = sizeof bound;
    if (::getsockname(s, reinterpret_cast<sockaddr *>(&bound), &length) != 0)
        return fail(WSAGetLastError());
    m_localPort = ntohs(bound.sin_port);
    int granted = 0;
    length = sizeof granted;
    if (::getsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<char *>(&granted), &length) == 0)
        m_receiveBuffer = granted;

    GUID receiveMessageId = WSAID_WSARECVMSG;
    if (WSAIoctl(s, SIO_GET_EXTENSION_FUNCTION_POINTER, &receiveMessageId, sizeof receiveMessageId, &m_receiveMessage,
                 sizeof m_receiveMessage, &returned, nullptr, nullptr) != 0 || !m_receiveMessage)
        return fail(WSAGetLastError());

    // The thread waits for either event: a datagram, or the endpoint closing. The socket
    // turns non-blocking here.
    m_readEvent = WSACreateEvent();
    m_stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (m_readEvent == WSA_INVALID_EVENT || !m_stopEvent) {
        m_readEvent = m_readEvent == WSA_INVALID_EVENT ? nullptr : m_readEvent;
        return fail(int(GetLastError()));
    }
    if (WSAEventSelect(s, static_cast<WSAEVENT>(m_readEvent), FD_READ) != 0)
        return fail(WSAGetLastError());
    try {
        m_thread = std::thread(&WinUdpEndpoint::run, this);
    } catch (const std::system_error &error) {
        return fail(error.code().value());
    }
    return true;
}

bool WinUdpEndpoint::isBound() const
{
    return socketOf(m_socket) != INVALID_SOCKET;
}

void WinUdpEndpoint::run()
{
    const SOCKET s = socketOf(m_socket);
    const auto receiveMessage = reinterpret_cast<LPFN_WSARECVMSG>(m_receiveMessage);
    const WSAEVENT events[2] = {static_cast<WSAEVENT>(m_stopEvent), static_cast<WSAEVENT>(m_readEvent)};
    std::vector<char> data(kMaxDatagram);
    alignas(WSACMSGHDR) char control[128];
    QList<ReceivedDatagram> batch;
    for (;;) {
        bool drained = false;
        while (batch.size() < kBatch) {
            sockaddr_in from{};
            WSABUF buffer{ULONG(data.size()), data.data()};
            WSAMSG message{};
            message.name = reinterpret_cast<sockaddr *>(&from);
            message.namelen = sizeof from;
            message.lpBuffers = &buffer;
            message.dwBufferCount = 1;
            message.Control = {ULONG(sizeof control), control};
            DWORD received = 0;
            bool truncated = false;
            if (receiveMessage(s, &message, &received, nullptr, nullptr) != 0) {
                const int code = WSAGetLastError();
                if (code == WSAEMSGSIZE) {
                    // Longer than the buffer: its first bytes are there.
                    truncated = true;
                    received = DWORD(data.size());
                } else if (code == WSAECONNRESET || code == WSAENETRESET) {
                    // An error report about an earlier send, not a datagram: read on.
                    continue;
                } else {
                    // Nothing waiting (WSAEWOULDBLOCK), or the socket is closing.
                    drained = true;
                    break;
                }
            }
            ReceivedDatagram d;
            d.data = QByteArray(data.data(), qsizetype(received));
            d.truncated = truncated || (message.dwFlags & MSG_TRUNC) != 0;
            d.sourceAddress = ntohl(from.sin_addr.s_addr);
            d.sourcePort = ntohs(from.sin_port);
            for (WSACMSGHDR *c = WSA_CMSG_FIRSTHDR(&message); c; c = WSA_CMSG_NXTHDR(&message, c)) {
                if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
                    IN_PKTINFO info;
                    std::memcpy(&info, WSA_CMSG_DATA(c), sizeof info);
                    d.destinationAddress = ntohl(info.ipi_addr.s_addr);
                    d.interfaceIndex = int(info.ipi_ifindex);
                }
            }
            if (d.truncated)
                m_truncated.fetch_add(1, std::memory_order_relaxed);
            batch.append(std::move(d));
        }
        if (!batch.isEmpty() && !handOver(std::exchange(batch, {})))
            return;
        if (!drained)
            continue;
        if (WSAWaitForMultipleEvents(2, events, FALSE, WSA_INFINITE, FALSE) == WSA_WAIT_EVENT_0)
            return;
        // Resets the read event; the next receive that finds nothing re-arms it.
        WSANETWORKEVENTS happened;
        WSAEnumNetworkEvents(s, events[1], &happened);
    }
}

bool WinUdpEndpoint::handOver(QList<ReceivedDatagram> &&datagrams)
{
    std::unique_lock lock(m_mutex);
    m_room.wait(lock, [this] { return m_stopping || m_queue.size() < kMaxQueued; });
    if (m_stopping)
        return false;
    m_queue.append(std::move(datagrams));
    if (!m_wakePosted) {
        m_wakePosted = true;
        // Runs on the endpoint's thread; dropped with the endpoint if it is gone by then.
        QMetaObject::invokeMethod(this, &WinUdpEndpoint::onWake, Qt::QueuedConnection);
    }
    return true;
}

void WinUdpEndpoint::onWake()
{
    bool waiting;
    {
        const std::lock_guard lock(m_mutex);
        m_wakePosted = false;
        waiting = !m_queue.isEmpty();
    }
    // A read since the wake was posted may have taken the queue already.
    if (waiting)
        Q_EMIT readyRead();
}

QList<ReceivedDatagram> WinUdpEndpoint::readPendingDatagrams()
{
    QList<ReceivedDatagram> taken;
    {
        const std::lock_guard lock(m_mutex);
        taken.swap(m_queue);
    }
    m_room.notify_all();
    return taken;
}

bool WinUdpEndpoint::hasPendingDatagram() const
{
    const std::lock_guard lock(m_mutex);
    return !m_queue.isEmpty();
}

SendResult WinUdpEndpoint::send(const QByteArray &datagram, quint32 address, quint16 port)
{
    return sendChecked(datagram, address, port, nullptr);
}

SendResult WinUdpEndpoint::sendThroughCard(const QByteArray &datagram, quint32 address, quint16 port,
                                           const NetworkCard &card)
{
    return sendChecked(datagram, address, port, &card);
}

SendResult WinUdpEndpoint::sendChecked(const QByteArray &datagram, quint32 address, quint16 port,
                                       const NetworkCard *card)
{
    if (!isBound()) {
        // Never let the system pick a port of its own: devices answer to the local port.
        return {false, WSAEADDRINUSE, QStringLiteral("The local UDP port is not open")};
    }
    const SOCKET s = socketOf(m_socket);
    const sockaddr_in remote = ipv4Address(address, port);
    WSABUF buffer{ULONG(datagram.size()), const_cast<char *>(datagram.constData())};
    DWORD sent = 0;
    int result;
    if (card && card->interfaceIndex == 0 && card->address == 0)
        return systemError(WSAEADDRNOTAVAIL);
    if (card && isMulticast(address)) {
        // The card of a group's datagram. Named by its address where it has one (the form
        // every Winsock takes), else by its index (0.0.0.index).
        const quint32 outgoing = card->address ? card->address : quint32(card->interfaceIndex);
        if (!setOption(s, IPPROTO_IP, IP_MULTICAST_IF, DWORD(htonl(outgoing))))
            return systemError(WSAGetLastError());
        result = WSASendTo(s, &buffer, 1, &sent, 0, reinterpret_cast<const sockaddr *>(&remote), sizeof remote,
                           nullptr, nullptr);
        const int code = WSAGetLastError();
        setOption(s, IPPROTO_IP, IP_MULTICAST_IF, DWORD(htonl(INADDR_ANY)));
        WSASetLastError(code);
    } else if (card) {
        // A unicast datagram out of one card, from its address, whatever the routing says.
        alignas(WSACMSGHDR) char control[WSA_CMSG_SPACE(sizeof(IN_PKTINFO))] = {};
        WSAMSG message{};
        message.name = reinterpret_cast<sockaddr *>(const_cast<sockaddr_in *>(&remote));
        message.namelen = sizeof remote;
        message.lpBuffers = &buffer;
        message.dwBufferCount = 1;
        message.Control = {ULONG(sizeof control), control};
        WSACMSGHDR *header = WSA_CMSG_FIRSTHDR(&message);
        header->cmsg_level = IPPROTO_IP;
        header->cmsg_type = IP_PKTINFO;
        header->cmsg_len = WSA_CMSG_LEN(sizeof(IN_PKTINFO));
        IN_PKTINFO info{};
        info.ipi_addr.s_addr = htonl(card->address);
        info.ipi_ifindex = ULONG(card->interfaceIndex);
        std::memcpy(WSA_CMSG_DATA(header), &info, sizeof info);
        result = WSASendMsg(s, &message, 0, &sent, nullptr, nullptr);
    } else {
        result = WSASendTo(s, &buffer, 1, &sent, 0, reinterpret_cast<const sockaddr *>(&remote), sizeof remote,
                           nullptr, nullptr);
    }
    if (result != 0)
        return systemError(WSAGetLastError());
    if (sent != DWORD(datagram.size()))
        return systemError(WSAEMSGSIZE);
    return {};
}

} // namespace qvx
