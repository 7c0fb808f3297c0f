#include "DialogTestSupport.h"

#include "dialogs/WriteSenders.h"
#include "dialogs/frm06Bridge.h"

#include <QPushButton>
#include <QRadioButton>
#include <functional>
#include <gtest/gtest.h>

namespace qvx::test {
namespace {

class WriteSendersTest : public ::testing::Test {
protected:
    WriteSendersTest() : h(true, false) { h.endpoint.clearSent(); }

    // Checks that exactly one warning was shown and nothing was sent.
    void expectRefusedWith(const QString &text)
    {
        EXPECT_TRUE(h.endpoint.sent.isEmpty());
        ASSERT_EQ(h.messages.messages.size(), 1);
        EXPECT_EQ(h.messages.messages[0].text, text);
        EXPECT_EQ(h.messages.messages[0].title, "Message Warning");
        EXPECT_EQ(h.messages.messages[0].icon, MessageIcon::Exclamation);
    }

    AppHarness h;
};

TEST_F(WriteSendersTest, SourceFilterOfZerosIsSentAsSixteenZeroBytes)
{
    SendSourceFilter(h.app());
    ASSERT_EQ(h.endpoint.sent.size(), 1);
    const QByteArray expected = QByteArray::fromHex("3C236A10" "00000000000000000000000000000000" "7A3E");
    EXPECT_EQ(h.endpoint.sent[0].datagram, expected);
    EXPECT_EQ(h.endpoint.sent[0].host, "192.168.0.1");
    EXPECT_EQ(h.endpoint.sent[0].port, 4096);
    EXPECT_TRUE(h.state().CommandPending);
    EXPECT_TRUE(h.app().Timer1().isEnabled());
    EXPECT_EQ(h.app().Timer1().interval(), 2000);
    EXPECT_TRUE(h.messages.messages.isEmpty());
}

TEST_F(WriteSendersTest, SourceFilterRefusesTheFirstAddressWithAnOctetOutsideZeroTo255)
{
    const struct {
        const char *name;
        std::function<void(ProgramState &)> set;
        const char *message;
    } cases[] = {
        {"marker in address 1", [](ProgramState &s) { s.SourceIP[0][3] = -1; }, "Source 1 IP-Address Error"},
        {"256 in address 2", [](ProgramState &s) { s.SourceIP[1][0] = 256; }, "Source 2 IP-Address Error"},
        {"negative in address 4", [](ProgramState &s) { s.SourceIP[3][2] = -5; }, "Source 4 IP-Address Error"},
        {"address 3 before address 4",
         [](ProgramState &s) {
             s.SourceIP[2][1] = qint16(65535);
             s.SourceIP[3][0] = 999;
         },
         "Source 3 IP-Address Error"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        AppHarness fresh(true, false);
        fresh.endpoint.clearSent();
        c.set(fresh.state());
        SendSourceFilter(fresh.app());
        EXPECT_TRUE(fresh.endpoint.sent.isEmpty());
        ASSERT_EQ(fresh.messages.messages.size(), 1);
        EXPECT_EQ(fresh.messages.messages[0].text, c.message);
        EXPECT_EQ(fresh.messages.messages[0].title, "Message Warning");
        EXPECT_EQ(fresh.messages.messages[0].icon, MessageIcon::Exclamation);
        EXPECT_FALSE(fresh.state().CommandPending);
    }
}

TEST_F(WriteSendersTest, SenderAimsAtTheDeviceEvenWhenItRefuses)
{
    h.app().link().SelectMulticastTarget();
    h.state().SourceIP[0][0] = -1;
    SendSourceFilter(h.app());
    EXPECT_EQ(h.endpoint.remoteHost(), "192.168.0.1");
    EXPECT_EQ(h.endpoint.remotePort(), 4096);
    EXPECT_TRUE(h.endpoint.sent.isEmpty());
}

TEST_F(WriteSendersTest, BridgeChecksLocalPortThenRemotePortsThenAddresses)
{
    const struct {
        const char *name;
        std::function<void(ProgramState &)> set;
        const char *message;
    } cases[] = {
        {"local port marker before everything else",
         [](ProgramState &s) {
             s.BridgeLocalPort = -1;
             s.BridgeRemotePort[0] = -1;
             s.BridgeIP[0][0] = -1;
         },
         "Local port Error"},
        {"local port 65536", [](ProgramState &s) { s.BridgeLocalPort = 65536; }, "Local port Error"},
        {"remote port 2 at 65536", [](ProgramState &s) { s.BridgeRemotePort[1] = 65536; }, "Remote port 2 Error"},
        {"remote port 5 marker", [](ProgramState &s) { s.BridgeRemotePort[4] = -1; }, "Remote port 5 Error"},
        {"remote port 3 before 4 and before addresses",
         [](ProgramState &s) {
             s.BridgeRemotePort[2] = -1;
             s.BridgeRemotePort[3] = 70000;
             s.BridgeIP[0][0] = 300;
         },
         "Remote port 3 Error"},
        {"address 1 marker", [](ProgramState &s) { s.BridgeIP[0][2] = qint16(65535); }, "Bridge 1 IP-Address Error"},
        {"address 3 at 256 before address 5",
         [](ProgramState &s) {
             s.BridgeIP[2][3] = 256;
             s.BridgeIP[4][0] = -1;
         },
         "Bridge 3 IP-Address Error"},
        {"address 5 negative", [](ProgramState &s) { s.BridgeIP[4][1] = -2; }, "Bridge 5 IP-Address Error"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        AppHarness fresh(true, false);
        fresh.endpoint.clearSent();
        c.set(fresh.state());
        SendBridgeSettings(fresh.app());
        EXPECT_TRUE(fresh.endpoint.sent.isEmpty());
        ASSERT_EQ(fresh.messages.messages.size(), 1);
        EXPECT_EQ(fresh.messages.messages[0].text, c.message);
        EXPECT_EQ(fresh.messages.messages[0].title, "Message Warning");
        EXPECT_EQ(fresh.messages.messages[0].icon, MessageIcon::Exclamation);
    }
}

TEST_F(WriteSendersTest, BridgeFrameCarriesPortsHighByteFirstAndTheBoundsPass)
{
    ProgramState &s = h.state();
    s.BridgeLocalPort = 0x1234;
    s.BridgeRemotePort = {65535, 0, 256, 255, 4096};
    s.BridgeIP = {{{192, 168, 0, 2}, {0, 0, 0, 0}, {255, 255, 255, 255}, {10, 1, 2, 3}, {0, 0, 0, 1}}};
    SendBridgeSettings(h.app());

    const QByteArray expected = Bytes({0,                                                    // status
                                       0x12, 0x34,                                           // local port
                                       0xFF, 0xFF, 0x00, 0x00, 0x01, 0x00, 0x00, 0xFF, 0x10, 0x00, // remote ports
                                       192, 168, 0, 2, 0, 0, 0, 0, 255, 255, 255, 255, 10, 1, 2, 3, 0, 0, 0, 1});
    ASSERT_EQ(expected.size(), 33);
    ASSERT_EQ(h.endpoint.frames().size(), 1);
    EXPECT_EQ(h.endpoint.frames()[0], RequestBytes(111, expected));
    EXPECT_TRUE(h.messages.messages.isEmpty());
}

TEST_F(WriteSendersTest, BridgeStatusComesFromTheOpenDialogsOptionButtons)
{
    const auto statusSent = [this]() -> int {
        h.endpoint.clearSent();
        SendBridgeSettings(h.app());
        return h.endpoint.frames().size() == 1 ? quint8(h.endpoint.frames()[0][4]) : -1;
    };
    // Never opened.
    EXPECT_EQ(statusSent(), 0);
    EXPECT_EQ(h.app().bridgeIfLoaded(), nullptr) << "the sender must not create the dialog";

    frm06Bridge *d = h.app().bridge();
    d->show();
    EXPECT_EQ(statusSent(), 0); // neither selected
    d->optEnableB->click();
    EXPECT_EQ(statusSent(), 1);
    d->optDisableB->click();
    EXPECT_EQ(statusSent(), 0);
}

TEST_F(WriteSendersTest, BridgeDialogClosedBeforeTheDeferredWriteSendsStatusZero)
{
    frm06Bridge *d = h.app().bridge();
    d->show();
    d->optEnableB->click();
    d->cmdUploadBridgeIP->click();
    ASSERT_TRUE(CloseAndWaitGone(d));

    FireDeferredWrite(h);
    ASSERT_EQ(h.endpoint.frames().size(), 2);
    EXPECT_EQ(h.endpoint.commands(), (QList<int>{103, 111}));
    EXPECT_EQ(quint8(h.endpoint.frames()[1][4]), 0);
}

TEST_F(WriteSendersTest, MacCodeIsSentHighByteFirstWithoutChecks)
{
    h.state().MacCode = {0x12, 0x34, 0x56};
    SendMacCode(h.app());
    ASSERT_EQ(h.endpoint.frames().size(), 1);
    EXPECT_EQ(h.endpoint.frames()[0], QByteArray::fromHex("3C237103123456103E"));
    EXPECT_TRUE(h.state().CommandPending);
}

TEST_F(WriteSendersTest, WriteSequenceLogsOutAtOnceAndDefersTheWrite)
{
    StartWriteSequence(h.app(), 106);
    EXPECT_EQ(h.endpoint.frames(), (QList<QByteArray>{QByteArray::fromHex("3C236702AAAABD3E")}));
    EXPECT_EQ(h.state().LastCommandCode, 106);
    EXPECT_TRUE(h.app().Timer4().isEnabled());
    EXPECT_TRUE(h.app().Timer4().isCounting());
}

} // namespace
} // namespace qvx::test
