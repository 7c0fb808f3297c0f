#include "BenchCommon.h"

#include "protocol/Commands.h"
#include "protocol/Frame.h"
#include "protocol/Layouts.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QWidget>
#include <QWindow>

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace qvx::bench {

void printFigure(const QString &name, const QString &value, const QString &target, const QString &verdict,
            const QString &conditions)
{
    std::printf("FIG\t%s\t%s\t%s\t%s\t%s\n", qPrintable(name), qPrintable(value), qPrintable(target),
                qPrintable(verdict), qPrintable(conditions));
    std::fflush(stdout);
}

QString verdictText(bool met)
{
    return met ? QStringLiteral("yes") : QStringLiteral("NO");
}

QString formatMs(double milliseconds, int decimals)
{
    return QString::number(milliseconds, 'f', decimals) + QStringLiteral(" ms");
}

QString formatUs(double microseconds, int decimals)
{
    return QString::number(microseconds, 'f', decimals) + QStringLiteral(" us");
}

double msSince(Clock::time_point start)
{
    return msBetween(start, Clock::now());
}

double msBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

long sysctlValue(const char *path)
{
    QFile file(QStringLiteral("/proc/sys/") + QString::fromLatin1(path));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    bool ok = false;
    const long value = file.readAll().trimmed().toLong(&ok);
    return ok ? value : -1;
}

long procStatusKiB(const char *field)
{
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith(prefix)) {
            const QList<QByteArray> parts = line.mid(prefix.size()).simplified().split(' ');
            bool ok = false;
            const long value = parts.value(0).toLong(&ok);
            return ok ? value : -1;
        }
    }
    return -1;
}

int receiveBufferOf(int fd)
{
    int size = 0;
    socklen_t length = sizeof size;
    return ::getsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, &length) == 0 ? size : -1;
}

bool waitExposed(QWidget *window, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        if (window->windowHandle() && window->windowHandle()->isExposed())
            return true;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return false;
}

QByteArray deviceReply(int n)
{
    DiscoveryRecord r;
    r.mac = {0x00, 0x04, 0xA3, quint8(n >> 16), quint8(n >> 8), quint8(n)};
    r.ip = {10, quint8(n >> 16), quint8(n >> 8), quint8(n)};
    r.mask = {255, 0, 0, 0};
    r.gateway = {10, 0, 0, 254};
    r.localPort = 4096;
    r.remotePort = 4097;
    r.baudCode = 4;
    r.uartTimeout = 3250;
    r.unread25 = 0x3A;
    r.format = encodeUartFormat({});
    r.timeoutToDefault = 1;
    r.bridgeLocalPort = 5000;
    return buildReplyFrame(CmdDiscovery, encodeDiscoveryRecord(r));
}

std::vector<QByteArray> deviceReplies(int count)
{
    std::vector<QByteArray> out;
    out.reserve(std::size_t(count));
    for (int n = 0; n < count; ++n)
        out.push_back(deviceReply(n));
    return out;
}

BlastResult blastToLoopback(quint16 port, const std::vector<QByteArray> &datagrams)
{
    BlastResult result;
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0) {
        result.failed = int(datagrams.size());
        return result;
    }
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);

    const auto start = Clock::now();
    const std::size_t count = std::min<std::size_t>(datagrams.size(), 100000);
    for (std::size_t i = 0; i < count; ++i) {
        const QByteArray &d = datagrams[i];
        bool done = false;
        for (int attempt = 0; attempt < 1000 && !done; ++attempt) {
            const ssize_t n = ::sendto(fd, d.constData(), std::size_t(d.size()), 0,
                                       reinterpret_cast<const sockaddr *>(&to), sizeof to);
            if (n == d.size())
                done = true;
            else if (errno == ENOBUFS || errno == EAGAIN || errno == EINTR)
                std::this_thread::sleep_for(std::chrono::microseconds(50));
            else
                break;
        }
        done ? ++result.sent : ++result.failed;
    }
    result.ms = msSince(start);
    ::close(fd);
    return result;
}

LoopbackOnlyEndpoint::LoopbackOnlyEndpoint(bool defaultBuffer, QObject *parent) : UdpEndpoint(parent)
{
    connect(&m_inner, &UdpEndpoint::readyRead, this, &UdpEndpoint::readyRead);
    if (defaultBuffer) {
        // Each socket asks for half the default, which the system doubles: every socket then
        // holds what an untuned system gives a socket that asks for nothing, even to root.
        const int half = int(sysctlValue("net/core/rmem_default") / 2);
        if (half > 0)
            m_inner.setWantedReceiveBuffer(half);
        else
            std::fprintf(stderr, "cannot read net.core.rmem_default\n");
    }
    QString error;
    if (!m_inner.bind(0, nullptr, &error))
        std::fprintf(stderr, "cannot bind the bench endpoint: %s\n", qPrintable(error));
}

int LoopbackOnlyEndpoint::receiveBufferNow() const
{
    return receiveBufferOf(m_inner.socketDescriptor());
}

} // namespace qvx::bench
