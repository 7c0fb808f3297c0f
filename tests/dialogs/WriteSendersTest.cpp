#include "DialogTestSupport.h"

#include "dialogs/WriteSenders.h"
#include "dialogs/BridgeDialog.h"

#include <QRadioButton>

#include <functional>

namespace qvx::test {
namespace {

using WriteSenders = DialogTest;

TEST_F(WriteSenders, SourceFilterOfZerosIsSentAsSixteenZeroBytesToTheDevice)
{
    h.app().link().selectMulticastTarget();
    sendSourceFilter(h.app());
    EXPECT_EQ(h.endpoint.frames(), QList<QByteArray>{Hex("3C236A10" "00000000000000000000000000000000" "7A3E")});
    EXPECT_EQ(h.endpoint.sent[0].host, "192.168.0.1");
    EXPECT_EQ(h.endpoint.sent[0].port, 4096);
    EXPECT_TRUE(h.state().commandPending);
    EXPECT_EQ(h.app().replyTimer().interval(), 2000);
    EXPECT_TRUE(h.messages.messages.isEmpty());
}

// Each sender checks its values in order and refuses the first one that does not fit its
// bytes, with nothing sent; it aims at the device even then.
TEST(WriteSenderChecks, EachValidationMessageInItsOrder)
{
    using Set = std::function<void(ProgramState &)>;
    const struct { void (*send)(ProgramServices &); Set set; const char *message; } cases[] = {
        {sendSourceFilter, [](ProgramState &s) { s.sourceFilter[0][3] = -1; }, "Source 1 IP-Address Error"},
        {sendSourceFilter, [](ProgramState &s) { s.sourceFilter[1][0] = 256; }, "Source 2 IP-Address Error"},
        {sendSourceFilter, [](ProgramState &s) { s.sourceFilter[3][2] = -5; }, "Source 4 IP-Address Error"},
        {sendSourceFilter, [](ProgramState &s) { s.sourceFilter[2][1] = qint16(65535); s.sourceFilter[3][0] = 999; },
         "Source 3 IP-Address Error"},
        {sendBridgeSettings, [](ProgramState &s) { s.bridgeLocalPort = s.bridgeRemotePorts[0] = s.bridgeAddresses[0][0] = -1; },
         "Local port Error"},
        {sendBridgeSettings, [](ProgramState &s) { s.bridgeLocalPort = 65536; }, "Local port Error"},
        {sendBridgeSettings, [](ProgramState &s) { s.bridgeRemotePorts[1] = 65536; }, "Remote port 2 Error"},
        {sendBridgeSettings, [](ProgramState &s) { s.bridgeRemotePorts[4] = -1; }, "Remote port 5 Error"},
        {sendBridgeSettings,
         [](ProgramState &s) { s.bridgeRemotePorts[2] = -1; s.bridgeRemotePorts[3] = 70000; s.bridgeAddresses[0][0] = 300; },
         "Remote port 3 Error"},
        {sendBridgeSettings, [](ProgramState &s) { s.bridgeAddresses[0][2] = qint16(65535); }, "Bridge 1 IP-Address Error"},
        {sendBridgeSettings, [](ProgramState &s) { s.bridgeAddresses[2][3] = 256; s.bridgeAddresses[4][0] = -1; },
         "Bridge 3 IP-Address Error"},
        {sendBridgeSettings, [](ProgramState &s) { s.bridgeAddresses[4][1] = -2; }, "Bridge 5 IP-Address Error"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.message);
        AppHarness h(true, false);
        h.app().link().selectMulticastTarget();
        h.endpoint.clearSent();
        c.set(h.state());
        c.send(h.app());
        EXPECT_TRUE(h.endpoint.sent.isEmpty());
        EXPECT_EQ(h.messages.messages, Warning(c.message));
        EXPECT_FALSE(h.state().commandPending);
        EXPECT_EQ(h.endpoint.remoteHost(), "192.168.0.1");
    }
}

TEST_F(WriteSenders, BridgeFrameCarriesPortsHighByteFirstAndTheBoundsPass)
{
    ProgramState &s = h.state();
    s.bridgeLocalPort = 0x1234;
    s.bridgeRemotePorts = {65535, 0, 256, 255, 4096};
    s.bridgeAddresses = {{{192, 168, 0, 2}, {0, 0, 0, 0}, {255, 255, 255, 255}, {10, 1, 2, 3}, {0, 0, 0, 1}}};
    sendBridgeSettings(h.app());
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
        sendBridgeSettings(h.app());
        return h.endpoint.frames().size() == 1 ? quint8(h.endpoint.frames()[0][4]) : -1;
    };
    EXPECT_EQ(statusSent(), 0); // never opened
    EXPECT_EQ(h.app().bridgeIfLoaded(), nullptr) << "the sender must not create the dialog";
    BridgeDialog *d = h.app().bridge();
    d->show();
    EXPECT_EQ(statusSent(), 0); // neither selected
    d->bridgeEnabled->click();
    EXPECT_EQ(statusSent(), 1);
    d->bridgeDisabled->click();
    EXPECT_EQ(statusSent(), 0);

    // Enabled and uploaded, but the dialog is closed before the write timer fires.
    d->bridgeEnabled->click();
    EXPECT_EQ(statusSent(), 1);
    h.endpoint.clearSent();
    d->uploadButton->click();
    ASSERT_TRUE(CloseAndWaitGone(d));
    fireDeferredWrite();
    EXPECT_EQ(h.endpoint.commands(), (QList<int>{103, 111}));
    EXPECT_EQ(quint8(h.endpoint.frames()[1][4]), 0);
}

TEST_F(WriteSenders, MacCodeIsSentHighByteFirstWithoutChecks)
{
    h.state().macCodeBytes = {0x12, 0x34, 0x56};
    sendMacCode(h.app());
    EXPECT_EQ(h.endpoint.frames(), QList<QByteArray>{Hex("3C237103123456103E")});
    EXPECT_TRUE(h.state().commandPending);
}

} // namespace
} // namespace qvx::test
