#pragma once
// What the endpoint tests share, on Linux and on Windows alike: the loopback card, the
// receive buffers each endpoint test runs with, and binding and reading.
#include "LoopbackDevice.h"

#include "platform/SystemUdpEndpoint.h"

#include <QTest>
#include <gtest/gtest.h>

#ifdef Q_OS_WIN
#include <QNetworkInterface>
#else
#include <net/if.h>
#endif

#include <string>

namespace qvx::test {

#ifdef Q_OS_WIN
inline constexpr int kAddressInUse = WSAEADDRINUSE;
inline constexpr int kMaxDatagram = WinUdpEndpoint::kMaxDatagram;
// Windows grants the buffer the endpoint asks for: one socket, one buffer.
inline auto endpointBuffers() { return testing::Values(WinUdpEndpoint::kWantedReceiveBuffer); }
inline void wantReceiveBuffer(SystemUdpEndpoint &, int) {}
#else
inline constexpr int kAddressInUse = EADDRINUSE;
inline constexpr int kMaxDatagram = DatagramBatchReader::kMaxDatagram;
// What an untuned Linux gives a socket (net.core.rmem_default), halved: the system doubles
// what it is asked for. An endpoint asking for this shares its port among a group of sockets.
inline constexpr int kUntunedBuffer = 212992 / 2;
// The buffer the endpoint asks for (one socket where the system grants it, as to root) and
// the untuned one (a group of sockets).
inline auto endpointBuffers() { return testing::Values(QtUdpEndpoint::kWantedReceiveBuffer, kUntunedBuffer); }
inline void wantReceiveBuffer(SystemUdpEndpoint &endpoint, int bytes) { endpoint.setWantedReceiveBuffer(bytes); }
#endif

inline std::string endpointBufferName(const testing::TestParamInfo<int> &info)
{
    return info.param == SystemUdpEndpoint::kWantedReceiveBuffer ? "WantedBuffer" : "UntunedSystem";
}

// The index of the loopback card (0 where the system names none).
inline int loopbackCardIndex()
{
#ifdef Q_OS_WIN
    for (const QNetworkInterface &card : QNetworkInterface::allInterfaces())
        if (card.type() == QNetworkInterface::Loopback)
            return card.index();
    return 0;
#else
    return int(if_nametoindex("lo"));
#endif
}

inline bool bindOrFail(SystemUdpEndpoint &endpoint, quint16 port = 0)
{
    int number = 0;
    QString reason;
    const bool bound = endpoint.bind(port, &number, &reason);
    EXPECT_TRUE(bound) << reason.toStdString();
    return bound;
}

// Reads until `count` datagrams have arrived or `timeoutMs` have passed.
inline QList<ReceivedDatagram> readAtLeast(UdpEndpoint &endpoint, qsizetype count, int timeoutMs = 10000)
{
    QList<ReceivedDatagram> got;
    (void)QTest::qWaitFor(
        [&] {
            got += endpoint.readPendingDatagrams();
            return got.size() >= count;
        },
        timeoutMs);
    return got;
}

} // namespace qvx::test
