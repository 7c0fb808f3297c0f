#include "FakeCardSource.h"
#include "FakeEndpoint.h"

#include "Options.h"
#include "Simulator.h"

#include "ctl/CtlCommands.h"
#include "protocol/Commands.h"
#include "protocol/Frame.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace qvx;
using namespace qvx::test;

namespace {

// qvxctl against the simulator's device model through the endpoint double: what the end-to-end
// run (tests/e2e/ctl_scenarios.sh) cannot show: usage refusals, the write delay, a write that
// does not read back, and address clashes in a commissioning sheet.
class CtlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        simulate(3);
        cards.cards = {MakeCard(QStringLiteral("eth0"), 2, QStringLiteral("192.168.0.10/24"))};
        endpoint.onSend = [this](const FakeEndpoint::Sent &sent) {
            const devsim::Outcome out = sim->handle(
                devsim::Datagram{sent.datagram, 0xC0A8000A, kLocalPort, FakeEndpoint::ipv4(sent.host)}, 0);
            for (const devsim::Reply &reply : out.replies) {
                ReceivedDatagram d = endpoint.asReply(reply.frame);
                d.sourceAddress = reply.from;
                endpoint.injectReceived({d});
            }
        };
    }

    // Devices 1..count at 192.168.0.1.., MAC addresses 00-04-A3-00-00-01.., password 123456.
    void simulate(int count)
    {
        devsim::Options o;
        o.devices = count;
        QString error;
        sim = std::make_unique<devsim::Simulator>(devsim::makeDevices(o, &error), o.seed);
        ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    }

    int run(QStringList args)
    {
        args << QStringLiteral("--timeout") << QStringLiteral("0.05") << QStringLiteral("--write-delay")
             << QStringLiteral("0");
        return runCtl(args, endpoint, cards);
    }

    QString sheet(const QByteArray &text)
    {
        const QString path = dir.filePath(QStringLiteral("sheet.csv"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        return path;
    }

    devsim::DeviceSettings &device(int n) { return sim->devices()[std::size_t(n - 1)].settings; }

    FakeEndpoint endpoint;
    FakeCardSource cards;
    std::unique_ptr<devsim::Simulator> sim;
    QTemporaryDir dir;
};

// Each bad command line is refused with its reason on standard error and exit 2, before
// anything is sent. (The refusals the end-to-end run makes on real sockets are not repeated.)
TEST_F(CtlTest, BadUsageIsRefusedWithItsReasonAndSendsNothing)
{
    const struct { QStringList args; const char *why; } cases[] = {
        {{}, "Commands:"},
        {{"frobnicate"}, "unknown command \"frobnicate\""},
        {{"get"}, "get takes one device address"},
        {{"get", "192.168.0.256"}, "\"192.168.0.256\" is not a device address"},
        {{"--format", "xml", "discover"}, "--format must be table, json or csv"},
        {{"set", "192.168.0.1", "ip=192.168.0.2"}, "writing needs the device's password"},
        {{"set", "192.168.0.1", "--password", "abc", "ip=192.168.0.2"}, "a password has 6 to 12 letters or digits"},
        {{"set", "192.168.0.1", "--password", "123456", "ip=1.2.3.4", "ip=1.2.3.5"}, "ip is given twice"},
        {{"set-by-mac", "00-04-A3-00-00-01", "bridge_port_2=65536"}, "Remote Bridge 2 port Error"},
        {{"set-by-mac", "00-04-A3-00-00", "ip=1.2.3.4"}, "\"00-04-A3-00-00\" is not a MAC address"},
        {{"factory", "00-04-A3-00-00-01", "extra"}, "factory takes one MAC address"},
        {{"password", "192.168.0.1", "123456", "new-pw!"}, "a password has 6 to 12 letters or digits"},
        {{"source", "192.168.0.1", "--password", "123456", "--set", "1.2.3.4.5"}, "\"1.2.3.4.5\" is not an address"},
        {{"bridge", "192.168.0.1", "--password", "123456", "ip=1.2.3.4"}, "ip cannot be set with qvxctl bridge"},
        {{"mac", "192.168.0.1", "--password", "123456"}, "give either --auto or --code N"},
        {{"mac", "192.168.0.1", "--password", "123456", "--auto", "--code", "70000"}, "give either --auto or --code N"},
        {{"mac", "192.168.0.1", "--password", "123456", "--code", "16777216"}, "the code is 65793 to 16777215"},
        {{"commission", "/nonexistent/sheet.csv"}, "/nonexistent/sheet.csv: "},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        testing::internal::CaptureStderr();
        EXPECT_EQ(run(c.args), ExitUsage);
        const std::string errors = testing::internal::GetCapturedStderr();
        EXPECT_NE(errors.find(c.why), std::string::npos) << errors;
        EXPECT_TRUE(endpoint.sent.isEmpty());
    }
    EXPECT_EQ(run({"--help"}), ExitDone);
    EXPECT_EQ(run({"set", "--help"}), ExitDone);
}

TEST_F(CtlTest, TheWriteLeavesTheWriteDelayAfterTheLogout)
{
    QElapsedTimer clock;
    clock.start();
    QList<qint64> at;
    endpoint.onSend = [this, &clock, &at, base = endpoint.onSend](const FakeEndpoint::Sent &sent) {
        at << clock.elapsed();
        base(sent);
    };
    ASSERT_EQ(runCtl({"source", "192.168.0.1", "--password", "123456", "--set", "10.0.0.1", "--timeout", "0.2",
                      "--write-delay", "150"},
                     endpoint, cards),
              ExitDone);
    const QList<int> commands = endpoint.commands();
    const qsizetype logout = commands.indexOf(CmdLogout);
    ASSERT_GE(logout, 0);
    ASSERT_EQ(commands[logout + 1], CmdUploadSource);
    EXPECT_GE(at[logout + 1] - at[logout], 140);
}

TEST_F(CtlTest, AWriteThatDoesNotReadBackFails)
{
    // The device acknowledges the upload but keeps its old port.
    endpoint.onSend = [this, base = endpoint.onSend](const FakeEndpoint::Sent &sent) {
        if (quint8(sent.datagram[2]) == CmdUploadSettings) {
            endpoint.injectReply(CmdUploadSettings, simpleCommandData());
            return;
        }
        base(sent);
    };
    EXPECT_EQ(run({"set", "192.168.0.1", "--password", "123456", "local_port=5000"}), ExitDevice);
    EXPECT_EQ(endpoint.commands().last(), CmdDownloadSettings);
}

// A row planning the address of a device that keeps it is not written; the address of a
// device that the sheet moves away is free to take.
TEST_F(CtlTest, CommissioningNeverPlansAnAddressAnotherDeviceKeeps)
{
    simulate(7);

    const QString clash = sheet("mac,ip,local_port\n"
                                "00-04-A3-00-00-01,192.168.0.2,\n"  // device 2, not in the sheet, is there
                                "00-04-A3-00-00-03,192.168.0.4,\n"  // device 4 stays where it is
                                "00-04-A3-00-00-04,,5004\n"
                                "00-04-A3-00-00-05,192.168.0.150,\n");
    testing::internal::CaptureStderr();
    EXPECT_EQ(run({"commission", clash}), ExitDevice);
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(device(1).ip, (Octets4{192, 168, 0, 1}));
    EXPECT_EQ(device(3).ip, (Octets4{192, 168, 0, 3}));
    EXPECT_EQ(device(4).localPort, 5004);
    EXPECT_EQ(device(5).ip, (Octets4{192, 168, 0, 150}));
    EXPECT_NE(errors.find("00-04-A3-00-00-01: not written: 192.168.0.2 is the address of 00-04-A3-00-00-02, which "
                          "keeps it"),
              std::string::npos)
        << errors;
    EXPECT_NE(errors.find("00-04-A3-00-00-03: not written: 192.168.0.4"), std::string::npos) << errors;

    const QString swap = sheet("mac,ip\n"
                               "00-04-A3-00-00-06,192.168.0.7\n"
                               "00-04-A3-00-00-07,192.168.0.107\n");
    EXPECT_EQ(run({"commission", swap}), ExitDone);
    EXPECT_EQ(device(6).ip, (Octets4{192, 168, 0, 7}));
    EXPECT_EQ(device(7).ip, (Octets4{192, 168, 0, 107}));
}

} // namespace
