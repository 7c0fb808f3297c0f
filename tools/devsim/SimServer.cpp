#include "SimServer.h"

#include "protocol/Frame.h"

#include <QDateTime>

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qvx::devsim {

qint64 nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// ---- Logger ------------------------------------------------------------------------------

Logger::~Logger()
{
    if (m_file && m_own)
        std::fclose(m_file);
}

bool Logger::open(const QString &path, QString *error)
{
    if (path.isEmpty())
        return true;
    if (path == QLatin1String("-")) {
        m_file = stdout;
        return true;
    }
    m_file = std::fopen(path.toLocal8Bit().constData(), "a");
    if (!m_file) {
        *error = QStringLiteral("cannot open log %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    m_own = true;
    return true;
}

void Logger::line(const QString &text)
{
    if (!m_file)
        return;
    const QByteArray out = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz ")).toUtf8() +
                           text.toUtf8() + '\n';
    std::fwrite(out.constData(), 1, size_t(out.size()), m_file);
    std::fflush(m_file);
}

// ---- SimServer ---------------------------------------------------------------------------

namespace {

SimServer *g_signalTarget = nullptr;

void onSignal(int)
{
    if (g_signalTarget)
        g_signalTarget->requestStop();
}

QString Endpoint(Ipv4 address, quint16 port)
{
    return QStringLiteral("%1:%2").arg(ipv4Text(address)).arg(port);
}

QString SystemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

SimServer::SimServer(Simulator &simulator, FaultInjector &faults, Logger &log)
    : m_sim(simulator), m_faults(faults), m_log(log)
{
}

SimServer::~SimServer()
{
    if (g_signalTarget == this)
        g_signalTarget = nullptr;
    if (m_fd >= 0)
        ::close(m_fd); // leaves the group as well
    for (int fd : m_wake)
        if (fd >= 0)
            ::close(fd);
}

void SimServer::installSignalHandlers(SimServer *server)
{
    g_signalTarget = server;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no restart: poll() returns at once
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

void SimServer::requestStop()
{
    if (m_wake[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_wake[1], &byte, 1);
    }
}

bool SimServer::open(const ServerSettings &settings, QString *error)
{
    if (::pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        *error = QStringLiteral("pipe: %1").arg(SystemError());
        return false;
    }
    m_fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (m_fd < 0) {
        *error = QStringLiteral("socket: %1").arg(SystemError());
        return false;
    }
    const int on = 1;
    ::setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (::setsockopt(m_fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof on) != 0) {
        *error = QStringLiteral("IP_PKTINFO: %1").arg(SystemError());
        return false;
    }
    const int buffer = 1 << 20;
    ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
    ::setsockopt(m_fd, SOL_SOCKET, SO_SNDBUF, &buffer, sizeof buffer);

    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(settings.port);
    local.sin_addr.s_addr = htonl(settings.bindAddress);
    if (::bind(m_fd, reinterpret_cast<sockaddr *>(&local), sizeof local) != 0) {
        *error = QStringLiteral("cannot listen on %1: %2").arg(Endpoint(settings.bindAddress, settings.port), SystemError());
        return false;
    }
    socklen_t length = sizeof local;
    ::getsockname(m_fd, reinterpret_cast<sockaddr *>(&local), &length);
    m_port = ntohs(local.sin_port);

    if (settings.multicast && !joinGroup(settings, error))
        return false;
    return true;
}

bool SimServer::joinGroup(const ServerSettings &settings, QString *error)
{
    const auto join = [&](const QString &name) {
        const unsigned index = ::if_nametoindex(name.toLocal8Bit().constData());
        if (index == 0) {
            *error = QStringLiteral("no interface %1").arg(name);
            return false;
        }
        ip_mreqn request{};
        request.imr_multiaddr.s_addr = htonl(DeviceGroup());
        request.imr_ifindex = int(index);
        if (::setsockopt(m_fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &request, sizeof request) != 0 && errno != EADDRINUSE) {
            *error = QStringLiteral("cannot join %1 on %2: %3").arg(ipv4Text(DeviceGroup()), name, SystemError());
            return false;
        }
        m_joined << name;
        return true;
    };

    if (!settings.interfaceName.isEmpty())
        return join(settings.interfaceName);

    ifaddrs *list = nullptr;
    if (::getifaddrs(&list) != 0) {
        *error = QStringLiteral("getifaddrs: %1").arg(SystemError());
        return false;
    }
    for (ifaddrs *entry = list; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET)
            continue;
        if (!(entry->ifa_flags & IFF_UP) || !(entry->ifa_flags & IFF_MULTICAST))
            continue;
        const QString name = QString::fromLocal8Bit(entry->ifa_name);
        if (m_joined.contains(name))
            continue;
        if (!join(name)) {
            ::freeifaddrs(list);
            return false;
        }
    }
    ::freeifaddrs(list);
    if (m_joined.isEmpty()) {
        *error = QStringLiteral("no interface up with multicast to join %1 on").arg(ipv4Text(DeviceGroup()));
        return false;
    }
    return true;
}

int SimServer::run()
{
    m_log.line(QStringLiteral("listening on port %1 for %2 device(s)").arg(m_port).arg(m_sim.devices().size()));
    for (;;) {
        int timeout = -1;
        if (!m_queue.empty())
            timeout = int(std::max<qint64>(0, m_queue.begin()->first - nowMs()));
        pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        const int ready = ::poll(fds, 2, timeout);
        if (ready < 0 && errno != EINTR) {
            m_log.line(QStringLiteral("poll failed: %1").arg(SystemError()));
            return 1;
        }
        if (ready > 0 && (fds[1].revents & POLLIN)) {
            m_log.line(QStringLiteral("stopping: %1 request(s) received, %2 datagram(s) sent").arg(m_received).arg(m_sent));
            return 0;
        }
        if (ready > 0 && (fds[0].revents & POLLIN))
            receiveAll();
        sendDue();
    }
}

void SimServer::receiveAll()
{
    // Bounded per wake-up so that queued replies still leave under a flood.
    for (int n = 0; n < 256; ++n) {
        char buffer[2048];
        char control[CMSG_SPACE(sizeof(in_pktinfo))];
        sockaddr_in from{};
        iovec io{buffer, sizeof buffer};
        msghdr msg{};
        msg.msg_name = &from;
        msg.msg_namelen = sizeof from;
        msg.msg_iov = &io;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        const ssize_t size = ::recvmsg(m_fd, &msg, MSG_DONTWAIT);
        if (size < 0)
            return;

        Datagram in;
        in.bytes = QByteArray(buffer, int(size));
        in.from = ntohl(from.sin_addr.s_addr);
        in.fromPort = ntohs(from.sin_port);
        for (cmsghdr *c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
            if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
                in_pktinfo info{};
                std::memcpy(&info, CMSG_DATA(c), sizeof info);
                in.to = ntohl(info.ipi_addr.s_addr);
            }
        }
        ++m_received;
        handle(in);
    }
}

void SimServer::handle(const Datagram &in)
{
    m_log.line(QStringLiteral("IN  %1 -> %2 [%3] %4")
                   .arg(Endpoint(in.from, in.fromPort), Endpoint(in.to, m_port))
                   .arg(in.bytes.size())
                   .arg(hexDump(in.bytes)));
    const Outcome outcome = m_sim.handle(in, nowMs());
    for (const QString &note : outcome.notes)
        m_log.line(QStringLiteral("    %1").arg(note));
    const qint64 now = nowMs();
    for (const Reply &reply : outcome.replies) {
        const bool faulty = m_sim.devices()[std::size_t(reply.device)].faulty;
        QString dropped;
        const std::vector<Emission> emissions = m_faults.apply(reply.frame, faulty, &dropped);
        if (emissions.empty())
            m_log.line(QStringLiteral("    reply of %1 %2").arg(ipv4Text(reply.from), dropped));
        for (const Emission &e : emissions) {
            Pending p{reply.from, reply.to, reply.toPort, e.bytes, e.fault};
            if (e.delayMs <= 0 && m_queue.empty())
                send(p);
            else
                m_queue.emplace(now + e.delayMs, p);
        }
    }
}

void SimServer::sendDue()
{
    const qint64 now = nowMs();
    while (!m_queue.empty() && m_queue.begin()->first <= now) {
        const Pending p = m_queue.begin()->second;
        m_queue.erase(m_queue.begin());
        send(p);
    }
}

void SimServer::send(const Pending &p)
{
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(p.toPort);
    to.sin_addr.s_addr = htonl(p.to);
    iovec io{const_cast<char *>(p.bytes.constData()), size_t(p.bytes.size())};

    // From the device's own address; when that is not an address of this host (a device that
    // moved to an address nobody configured), the system picks one.
    char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    msghdr msg{};
    msg.msg_name = &to;
    msg.msg_namelen = sizeof to;
    msg.msg_iov = &io;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    cmsghdr *c = CMSG_FIRSTHDR(&msg);
    c->cmsg_level = IPPROTO_IP;
    c->cmsg_type = IP_PKTINFO;
    c->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
    in_pktinfo info{};
    info.ipi_spec_dst.s_addr = htonl(p.from);
    std::memcpy(CMSG_DATA(c), &info, sizeof info);

    QString source = ipv4Text(p.from);
    ssize_t sent = ::sendmsg(m_fd, &msg, 0);
    if (sent < 0 && (errno == EINVAL || errno == EADDRNOTAVAIL)) {
        msg.msg_control = nullptr;
        msg.msg_controllen = 0;
        sent = ::sendmsg(m_fd, &msg, 0);
        source += QStringLiteral(" (not local: sent from the system's choice)");
    }
    if (sent < 0) {
        m_log.line(QStringLiteral("OUT %1 -> %2 failed: %3").arg(ipv4Text(p.from), Endpoint(p.to, p.toPort), SystemError()));
        return;
    }
    ++m_sent;
    m_log.line(QStringLiteral("OUT %1 -> %2 [%3] %4%5")
                   .arg(source, Endpoint(p.to, p.toPort))
                   .arg(p.bytes.size())
                   .arg(hexDump(p.bytes), p.note.isEmpty() ? QString() : QStringLiteral("  (%1)").arg(p.note)));
}

} // namespace qvx::devsim
