// The socket front end on loopback addresses only (127.0.0.x, a free port, no group).
#include "Options.h"
#include "SimServer.h"

#include "protocol/Commands.h"
#include "protocol/Frame.h"
#include "protocol/Layouts.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

using namespace qvx;
using namespace qvx::devsim;

namespace {

struct Received {
    QByteArray bytes;
    Ipv4 from = 0;
};

class Client {
public:
    Client()
    {
        m_fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_fd, reinterpret_cast<sockaddr *>(&local), sizeof local);
    }
    ~Client() { ::close(m_fd); }

    void send(Ipv4 to, quint16 port, const QByteArray &bytes)
    {
        ASSERT_EQ((to >> 24), 127u) << "loopback only";
        sockaddr_in remote{};
        remote.sin_family = AF_INET;
        remote.sin_port = htons(port);
        remote.sin_addr.s_addr = htonl(to);
        ::sendto(m_fd, bytes.constData(), size_t(bytes.size()), 0, reinterpret_cast<sockaddr *>(&remote), sizeof remote);
    }

    std::optional<Received> receive(int timeoutMs)
    {
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0)
            return std::nullopt;
        char buffer[512];
        sockaddr_in from{};
        socklen_t length = sizeof from;
        const ssize_t n = ::recvfrom(m_fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr *>(&from), &length);
        if (n < 0)
            return std::nullopt;
        return Received{QByteArray(buffer, int(n)), ntohl(from.sin_addr.s_addr)};
    }

private:
    int m_fd = -1;
};

class Loopback : public ::testing::Test {
protected:
    void start(FaultSettings faults = {})
    {
        Options o;
        o.firstIp = *parseIpv4(QStringLiteral("127.0.0.2"));
        o.devices = 3;
        QString error;
        sim = std::make_unique<Simulator>(makeDevices(o, &error));
        injector = std::make_unique<FaultInjector>(faults);
        server = std::make_unique<SimServer>(*sim, *injector, log);
        ServerSettings settings;
        settings.port = 0;
        settings.multicast = false;
        ASSERT_TRUE(server->open(settings, &error)) << error.toStdString();
        port = server->port();
        ASSERT_NE(port, 0);
        thread = std::thread([this] { exitCode = server->run(); });
    }

    void TearDown() override
    {
        if (thread.joinable()) {
            server->requestStop();
            thread.join();
            EXPECT_EQ(exitCode, 0);
        }
    }

    Logger log;
    std::unique_ptr<Simulator> sim;
    std::unique_ptr<FaultInjector> injector;
    std::unique_ptr<SimServer> server;
    std::thread thread;
    int exitCode = -1;
    quint16 port = 0;
    Client client;
};

} // namespace

TEST_F(Loopback, DelayedRepliesWaitTheirTurnAndStopEndsTheLoop)
{
    FaultSettings slow;
    slow.delayMs = 250;
    start(slow);
    const qint64 sent = nowMs();
    client.send(*parseIpv4(QStringLiteral("127.0.0.3")), port, buildRequestFrame(CmdLoginStatus, simpleCommandData()));
    const std::optional<Received> reply = client.receive(3000);
    ASSERT_TRUE(reply);
    EXPECT_GE(nowMs() - sent, 240);
    EXPECT_EQ(recognizeReply(reply->bytes)->data, QByteArray(4, '\0'));
    EXPECT_EQ(server->requestsReceived(), 1u);
}
