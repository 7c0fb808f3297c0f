#include "DialogTestSupport.h"

#include "dialogs/WriteSenders.h"
#include "dialogs/frm06Bridge.h"

#include <QRadioButton>

#include <functional>

namespace qvx::test {
namespace {

using WriteSenders = DialogTest;

TEST_F(WriteSenders, SourceFilterOfZerosIsSentAsSixteenZeroBytesToTheDevice)
{
    h.app().link().SelectMulticastTarget();
    SendSourceFilter(h.app());
    EXPECT_EQ(h.endpoint.frames(), QList<QByteArray>{Hex("3C236A10" "00000000000000000000000000000000" "7A3E")});
    EXPECT_EQ(h.endpoint.sent[0].host, "192.168.0.1");
    EXPECT_EQ(h.endpoint.sent[0].port, 4096);
    EXPECT_TRUE(h.state().CommandPending);
    EXPECT_EQ(h.app().Timer1().interval(), 2000);
    EXPECT_TRUE(h.messages.messages.isEmpty());
}

// Each sender checks its values in order and refuses the first one that does not fit its
// bytes, with nothing sent; it aims at the device even then.
TEST(WriteSenderChecks, EachValidationMessageInItsOrder)
{
    using Set = std::function<void(ProgramState &)>;
    const struct { void (*send)(AppContext &); Set set; const char *message; } cases[] = {
        {SendSourceFilter, [](ProgramState &s) { s.SourceIP[0][3] = -1; }, "Source 1 IP-Address Error"},
        {SendSourceFilter, [](ProgramState &s) { s.SourceIP[1][0] = 256; }, "Source 2 IP-Address Error"},
        {SendSourceFilter, [](ProgramState &s) { s.SourceIP[3][2] = -5; }, "Source 4 IP-Address Error"},
        {SendSourceFilter, [](ProgramState &s) { s.SourceIP[2][1] = qint16(65535); s.SourceIP[3][0] = 999; },
         "Source 3 IP-Address Error"},
        {SendBridgeSettings, [](ProgramState &s) { s.BridgeLocalPort = s.BridgeRemotePort[0] = s.BridgeIP[0][0] = -1; },
         "Local port Error"},
        {SendBridgeSettings, [](ProgramState &s) { s.BridgeLocalPort = 65536; }, "Local port Error"},
        {SendBridgeSettings, [](ProgramState &s) { s.BridgeRemotePort[1] = 65536; }, "Remote port 2 Error"},
        {SendBridgeSettings, [](ProgramState &s) { s.BridgeRemotePort[4] = -1; }, "Remote port 5 Error"},
        {SendBridgeSettings,
         [](ProgramState &s) { s.BridgeRemotePort[2] = -1; s.BridgeRemotePort[3] = 70000; s.BridgeIP[0][0] = 300; },
         "Remote port 3 Error"},
        {SendBridgeSettings, [](ProgramState &s) { s.BridgeIP[0][2] = qint16(65535); }, "Bridge 1 IP-Address Error"},
        {SendBridgeSettings, [](ProgramState &s) { s.BridgeIP[2][3] = 256; s.BridgeIP[4][0] = -1; },
         "Bridge 3 IP-Address Error"},
        {SendBridgeSettings, [](ProgramState &s) { s.BridgeIP[4][1] = -2; }, "Bridge 5 IP-Address Error"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.message);
        AppHarness h(true, false);
        h.app().link().SelectMulticastTarget();
        h.endpoint.clearSent();
        c.set(h.state());
        c.send(h.app());
        EXPECT_TRUE(h.endpoint.sent.isEmpty());
        EXPECT_EQ(h.messages.messages, Warning(c.message));
        EXPECT_FALSE(h.state().CommandPending);
        EXPECT_EQ(h.endpoint.remoteHost(), "192.168.0.1");
    }
}

TEST_F(WriteSenders, BridgeFrameCarriesPortsHighByteFirstAndTheBoundsPass)
{
    ProgramState &s = h.state();
    s.BridgeLocalPort = 0x1234;
    s.BridgeRemotePort = {65535, 0, 256, 255, 4096};
    s.BridgeIP = {{{192, 168, 0, 2}, {0, 0, 0, 0}, {255, 255, 255, 255}, {10, 1, 2, 3}, {0, 0, 0, 1}}};
    SendBridgeSettings(h.app());
    const QByteArray expected = Bytes({0,                                                           // status
                                       0x12, 0x34,                                                  // local port
                                       0xFF, 0xFF, 0x00, 0x00, 0x01, 0x00, 0x00, 0xFF, 0x10, 0x00, // remote ports
                                       192, 168, 0, 2, 0, 0, 0, 0, 255, 255, 255, 255, 10, 1, 2, 3, 0, 0, 0, 1});
    EXPECT_EQ(h.endpoint.frames(), QList<QByteArray>{RequestBytes(111, expected)});
    EXPECT_TRUE(h.messages.messages.isEmpty());
}

TEST_F(WriteSenders, BridgeStatusComesFromTheOpenDialogsOptionsAndIsZeroOnceTheDialogIsClosed)
{
    const auto statusSent = [this]() -> int {
        h.endpoint.clearSent();
        SendBridgeSettings(h.app());
        return h.endpoint.frames().size() == 1 ? quint8(h.endpoint.frames()[0][4]) : -1;
    };
    EXPECT_EQ(statusSent(), 0); // never opened
    EXPECT_EQ(h.app().bridgeIfLoaded(), nullptr) << "the sender must not create the dialog";
    frm06Bridge *d = h.app().bridge();
    d->show();
    EXPECT_EQ(statusSent(), 0); // neither selected
    d->optEnableB->click();
    EXPECT_EQ(statusSent(), 1);
    d->optDisableB->click();
    EXPECT_EQ(statusSent(), 0);

    // Enabled and uploaded, but the dialog is closed before the write timer fires.
    d->optEnableB->click();
    EXPECT_EQ(statusSent(), 1);
    h.endpoint.clearSent();
    d->cmdUploadBridgeIP->click();
    ASSERT_TRUE(CloseAndWaitGone(d));
    fireDeferredWrite();
    EXPECT_EQ(h.endpoint.commands(), (QList<int>{103, 111}));
    EXPECT_EQ(quint8(h.endpoint.frames()[1][4]), 0);
}

TEST_F(WriteSenders, MacCodeIsSentHighByteFirstWithoutChecks)
{
    h.state().MacCode = {0x12, 0x34, 0x56};
    SendMacCode(h.app());
    EXPECT_EQ(h.endpoint.frames(), QList<QByteArray>{Hex("3C237103123456103E")});
    EXPECT_TRUE(h.state().CommandPending);
}

} // namespace
} // namespace qvx::test
