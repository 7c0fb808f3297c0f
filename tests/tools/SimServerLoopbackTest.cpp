// The socket front end on loopback addresses only (127.0.0.x, a free port, no group).
#include "LoopbackDevice.h"
#include "Options.h"
#include "SimServer.h"

#include "protocol/Commands.h"
#include "protocol/Frame.h"

#include <gtest/gtest.h>

#include <thread>

using namespace qvx;
using namespace qvx::devsim;

TEST(SimServerLoopback, DelayedRepliesWaitTheirTurnAndStopEndsTheLoop)
{
    Options o;
    o.firstIp = *parseIpv4(QStringLiteral("127.0.0.2"));
    o.devices = 3;
    QString error;
    Simulator sim(makeDevices(o, &error));
    FaultSettings slow;
    slow.delayMs = 250;
    FaultInjector injector(slow);
    Logger log;
    SimServer server(sim, injector, log);
    ServerSettings settings;
    settings.port = 0;
    settings.multicast = false;
    ASSERT_TRUE(server.open(settings, &error)) << error.toStdString();
    int exitCode = -1;
    std::thread loop([&] { exitCode = server.run(); });

    test::LoopbackDevice program;
    const qint64 sent = nowMs();
    program.writeDatagram(buildRequestFrame(CmdLoginStatus, simpleCommandData()), server.port(), 0x7F000003);
    const std::optional<test::LoopbackDevice::Datagram> reply = program.receive(3000);
    const qint64 waited = nowMs() - sent;
    server.requestStop();
    loop.join();
    EXPECT_EQ(exitCode, 0);
    ASSERT_TRUE(reply);
    EXPECT_GE(waited, 240);
    EXPECT_EQ(recognizeReply(reply->data)->data, QByteArray(4, '\0'));
    EXPECT_EQ(server.requestsReceived(), 1u);
}
