#include "platform/QtUdpEndpoint.h"
#include "protocol/Frame.h"

#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QUdpSocket>
#include <gtest/gtest.h>

using namespace qvx;

// The real endpoint on loopback only, with ports the system picks.
TEST(QtUdpEndpointTest, RoundTripsAFrameOnLoopback)
{
    QUdpSocket device;
    ASSERT_TRUE(device.bind(QHostAddress::LocalHost, 0));

    QtUdpEndpoint endpoint;
    int number = 0;
    QString reason;
    ASSERT_TRUE(endpoint.bind(0, &number, &reason)) << reason.toStdString();
    ASSERT_TRUE(endpoint.isBound());
    EXPECT_GT(endpoint.localPort(), 0);
    EXPECT_GT(endpoint.receiveBufferSize(), 0);
    endpoint.setRemoteHost(QStringLiteral("127.0.0.1"));
    endpoint.setRemotePort(device.localPort());

    const QByteArray request = BuildRequestFrame(0x61, SimpleCommandData());
    ASSERT_TRUE(endpoint.send(request).ok);
    ASSERT_TRUE(device.waitForReadyRead(2000));
    const QNetworkDatagram received = device.receiveDatagram();
    EXPECT_EQ(received.data(), request);
    EXPECT_EQ(received.senderPort(), endpoint.localPort());

    // Two replies at once: both are waiting when the signal arrives.
    QSignalSpy arrived(&endpoint, &UdpEndpoint::readyRead);
    QByteArray reply = BuildReplyFrame(0x63, SimpleCommandData());
    reply.append(char(0x80)); // a byte above 127 travels unchanged
    device.writeDatagram(reply, received.senderAddress(), received.senderPort());
    device.writeDatagram(reply, received.senderAddress(), received.senderPort());
    ASSERT_TRUE(arrived.wait(2000));
    QList<QByteArray> got;
    for (int i = 0; i < 20 && got.size() < 2; ++i) {
        while (endpoint.hasPendingDatagram())
            got.append(endpoint.readDatagram());
        if (got.size() < 2)
            arrived.wait(100);
    }
    ASSERT_EQ(got.size(), 2);
    EXPECT_EQ(got[0], reply);
    EXPECT_EQ(static_cast<quint8>(got[0].back()), 0x80);
}

TEST(QtUdpEndpointTest, RefusesAnUnboundSendABusyPortAndAnInvalidDestination)
{
    QtUdpEndpoint unbound, first, second;
    unbound.setRemoteHost(QStringLiteral("127.0.0.1"));
    unbound.setRemotePort(9);
    const SendResult result = unbound.send(QByteArray("x")); // never from a port of its own choosing
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.errorText.isEmpty());
    EXPECT_FALSE(unbound.isBound());

    int number = 0;
    QString reason;
    ASSERT_TRUE(first.bind(0, &number, &reason));
    EXPECT_FALSE(second.bind(first.localPort(), &number, &reason));
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_FALSE(second.isBound());

    first.setRemoteHost(QStringLiteral("192.168.0.300"));
    first.setRemotePort(4096);
    EXPECT_FALSE(first.send(QByteArray("x")).ok);
}
