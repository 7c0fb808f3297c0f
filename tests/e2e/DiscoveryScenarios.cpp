// The discovery window against the simulated network: 50 answering devices; the upload and
// factory-setting scenario works on 192.168.0.5.
#include "E2eSupport.h"

#include "discovery/DiscoveryWindow.h"
#include "protocol/Commands.h"

namespace qvx::e2e {

constexpr int kMacColumn = 0, kLocalPortColumn = 4;

TEST_F(E2e, DiscoveryListsEveryAnsweringDeviceThenTheDeviceIsAskedOnTheSamePort)
{
    const int descriptor = endpoint->socketDescriptor();
    DiscoveryWindow *window = discover();
    // The request went to the group; silent and corrupt devices are not listed, and nobody
    // is listed twice.
    EXPECT_EQ(quint8(endpoint->sent.last()[2]), CmdDiscovery);
    EXPECT_EQ(endpoint->sentTo.last(), "239.0.0.8");
    QTest::qWait(1000);
    EXPECT_EQ(rowCount(window), kAnsweringDevices);
    EXPECT_EQ(text("lblMsg", window), QStringLiteral("Found %1 Device").arg(kAnsweringDevices));
    EXPECT_EQ(findRow(window, kSilentDevice), -1);
    EXPECT_EQ(findRow(window, kCorruptDevice), -1);
    const int first = findRow(window, "192.168.0.1");
    ASSERT_GE(first, 0);
    EXPECT_EQ(cell(window, first, kMacColumn), "00-04-A3-00-00-01");
    EXPECT_EQ(cell(window, first, 2), "255.255.255.0");
    EXPECT_GE(findRow(window, "192.168.0.51"), 0);
    EXPECT_EQ(text("lblIpAddr", window), "192.168.0.10"); // the card the endpoint sends from

    // Straight after the group request, a request to the device leaves from the same port
    // and its answer arrives.
    download();
    EXPECT_EQ(endpoint->sentTo.last(), "192.168.0.1");
    EXPECT_EQ(endpoint->socketDescriptor(), descriptor) << "the port was bound again";
}

// Upload by MAC moves the device to a new address and port, the list that follows shows it
// there; the factory setting by MAC brings it back.
TEST_F(E2e, UploadByMacThenFactorySettingOfTheSelectedDevice)
{
    DiscoveryWindow *window = discover();
    const int row = findRow(window, "192.168.0.5");
    ASSERT_GE(row, 0);
    clickRow(window, row);
    EXPECT_TRUE(waitFor([&] { return ctx->state().deviceSelected; }, 1000));
    EXPECT_EQ(text("lblMacAddrDest_5", window), "05");
    EXPECT_EQ(text("txtIP_3", window), "5");

    type(box("txtIP_3", window), "205");
    type(box("txtLocalPort", window), "6001");
    int sentBefore = sentCount();
    click("cmdNetSet", window);
    ASSERT_EQ(requestsOf(CmdUploadSelected, sentBefore), 1);
    const QByteArray upload = endpoint->sent.last();
    ASSERT_EQ(upload.size(), 88);
    EXPECT_EQ(upload.mid(4, 6), QByteArray("\x00\x04\xA3\x00\x00\x05", 6)) << "addressed by its MAC";
    EXPECT_TRUE(waitMessage("Upload device OK", 3000));
    EXPECT_EQ(messages.messages.last().title, "Command result");
    // Two seconds later the window lists the devices again, this one at its new address.
    EXPECT_TRUE(waitFor([&] { return findRow(window, "192.168.0.205") >= 0; }, 6000));
    EXPECT_TRUE(waitFor([&] { return rowCount(window) == kAnsweringDevices; }, 3000));
    const int moved = findRow(window, "192.168.0.205");
    ASSERT_GE(moved, 0);
    EXPECT_EQ(cell(window, moved, kMacColumn), "00-04-A3-00-00-05");
    EXPECT_EQ(cell(window, moved, kLocalPortColumn), "6001");
    EXPECT_EQ(findRow(window, "192.168.0.5"), -1);
    EXPECT_EQ(requestsOf(CmdDiscovery, sentBefore), 1);

    clickRow(window, moved);
    EXPECT_TRUE(waitFor([&] { return text("txtIP_3", window) == "205"; }, 1000));
    sentBefore = sentCount();
    click("cmdFactory", window);
    ASSERT_EQ(requestsOf(CmdFactorySetting, sentBefore), 1);
    EXPECT_EQ(endpoint->sent.last(), QByteArray::fromHex("3C236D060004A30000051F3E"));
    EXPECT_TRUE(waitMessage("Factory setting device OK", 3000));
    EXPECT_TRUE(waitFor(
        [&] {
            const int r = findRow(window, "192.168.0.5");
            return r >= 0 && cell(window, r, kLocalPortColumn) == "4001";
        },
        6000));
    EXPECT_EQ(findRow(window, "192.168.0.205"), -1);
}

} // namespace qvx::e2e
