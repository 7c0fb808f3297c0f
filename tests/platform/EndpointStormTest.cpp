// Storms of datagrams through the real endpoint on loopback: the receiving thread keeps up,
// and what it hands over is complete and in order of arrival.
#include "platform/QtUdpEndpoint.h"

#include <QTest>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

using namespace qvx;

namespace {

// Sends `count` numbered datagrams of `size` bytes back to back to 127.0.0.1:port; the
// first four bytes of each hold its number.
void sendNumbered(quint16 port, int count, int size)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(fd, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    QByteArray datagram(size, '\x5A');
    for (int i = 0; i < count; ++i) {
        const quint32 number = htonl(quint32(i));
        std::memcpy(datagram.data(), &number, sizeof number);
        while (::sendto(fd, datagram.constData(), size_t(size), 0, reinterpret_cast<sockaddr *>(&to), sizeof to) < 0 &&
               (errno == ENOBUFS || errno == EAGAIN || errno == EINTR))
            std::this_thread::yield();
    }
    ::close(fd);
}

quint32 numberOf(const QByteArray &datagram)
{
    quint32 number = 0;
    std::memcpy(&number, datagram.constData(), sizeof number);
    return ntohl(number);
}

} // namespace

// Device-sized datagrams from a sender thread while the endpoint's own thread is busy with
// other things: whatever the system did not drop arrives, in order, and the two add up.
TEST(EndpointStormTest, HandsOverEveryDatagramInOrderOfArrival)
{
    QtUdpEndpoint endpoint;
    int number = 0;
    QString reason;
    ASSERT_TRUE(endpoint.bind(0, &number, &reason)) << reason.toStdString();
    constexpr int kCount = 20000;
    std::thread sender(sendNumbered, endpoint.localPort(), kCount, 83);

    QList<ReceivedDatagram> got;
    const bool complete = QTest::qWaitFor(
        [&] {
            // A slow window thread: the receiving thread has to hold the storm meanwhile.
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            got += endpoint.readPendingDatagrams();
            return quint64(got.size()) + endpoint.droppedDatagrams() >= kCount;
        },
        20000);
    sender.join();
    got += endpoint.readPendingDatagrams();
    EXPECT_TRUE(complete);
    EXPECT_EQ(quint64(got.size()) + endpoint.droppedDatagrams(), quint64(kCount));
    for (qsizetype i = 1; i < got.size(); ++i)
        ASSERT_LT(numberOf(got[i - 1].data), numberOf(got[i].data)) << "at " << i;
    // With the system's default buffer alone, the thread must still have kept up with most.
    EXPECT_GT(got.size(), kCount / 2);
}
