// The real program against qvx-devsim, one section per network of netns.sh.
#include "E2eSupport.h"

#include "protocol/ProgramState.h"

#include <QProcess>
#include <QRadioButton>
#include <QRegularExpression>

#include <net/if.h>

namespace qvx::e2e {

// The programmer window through the real endpoint against simulated devices 192.168.0.1 and .3.

TEST_F(E2e, DownloadFillsTheWindowFromTheDefaultDevice)
{
    download(); // nothing typed: the program talks to 192.168.0.1
    ProgrammerWindow *w = prog();
    EXPECT_EQ(Shown(w, {"txtMacAddress", "txtIPAddress", "txtGateway", "txtUDPLocalPort", "cmbUARTBaudrate",
                        "txtUARTTimeout", "lblFirmware", "Option3", "Option6", "optProto_0", "optDhcp_0"}),
              "00.04.A3.00.00.01 192.168.0.1 192.168.0.254 4001 9600 3250 2.1 (o) (o) (o) (o)");
    EXPECT_EQ(requestsOf(CmdLoginStatus), 1);
    EXPECT_EQ(endpoint->sentTo, QStringList(endpoint->sent.size(), "192.168.0.1"));
    EXPECT_FALSE(Find<QWidget>(w, "cmdCommand_b")->isEnabled()) << "logged out, the writes stay disabled";
}

TEST_F(E2e, UploadFollowsTheDeviceToItsNewAddressOnTheSamePort)
{
    type(box("txtExpIPAddress_3"), "3");
    download();
    ASSERT_EQ(text("txtIPAddress_3"), "3");
    login("123456");
    const int descriptor = endpoint->socketDescriptor();
    type(box("txtIPAddress_3"), "203");
    type(box("txtUDPLocalPort"), "5001");
    ASSERT_TRUE(clickAndWaitWrite("cmdCommand_b", CmdUploadSettings));
    EXPECT_EQ(endpoint->sentTo.last(), "192.168.0.3");

    EXPECT_TRUE(waitFor([&] { return text("txtExpIPAddress_3") == "203"; }, 2000));
    type(box("txtIPAddress_3"), QString());
    type(box("txtUDPLocalPort"), QString());
    download();
    EXPECT_EQ(endpoint->sentTo.last(), "192.168.0.203");
    EXPECT_EQ(endpoint->socketDescriptor(), descriptor) << "the port was bound again";
    EXPECT_EQ(text("txtUDPLocalPort"), "5001");
    EXPECT_EQ(text("txtMacAddress_5"), "03");
}

// The discovery window on a site whose devices sit on two subnets behind a router
// (routed-net.sh): the discovery finds none of them, "Search addresses…" finds them all,
// and a device found by address opens in the programmer window. Runs there only.

TEST_F(E2e, RoutedSubnetsAreFoundByAddressNotByTheDiscovery)
{
    if (qEnvironmentVariable("QVX_E2E_TOPOLOGY") != QLatin1String("routed"))
        GTEST_SKIP() << "runs on the routed network only";
    const QStringList subnets = qEnvironmentVariable("QVX_E2E_SUBNETS").split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const int devices = qEnvironmentVariableIntValue("QVX_E2E_DEVICES");

    DiscoveryWindow *window = discover(QStringLiteral("No Device Found")); // the discovery does not cross the router
    ASSERT_FALSE(HasFailure());

    ASSERT_TRUE(window->searchAddresses(subnets, 2000));
    ASSERT_TRUE(waitFor([&] { return window->deviceRows().deviceCount() == devices; }, 6000))
        << window->deviceRows().deviceCount() << " of " << devices << " found";
    for (int row = 0; row < devices; ++row)
        EXPECT_TRUE(window->deviceRows().isFoundByAddress(row));
    EXPECT_EQ(text("txtIPAddress_0"), "") << "a search's answers stay out of the programmer window";

    // The first device of the second subnet, opened in the programmer window.
    const int row = findRow(window, subnets.value(1).section(QLatin1Char('/'), 0, 0).replace(QRegularExpression("\\.0$"), ".1"));
    ASSERT_GE(row, 0);
    clickRow(window, row);
    const int from = receivedCount();
    click("cmdOpenProgrammer", window);
    ASSERT_TRUE(waitReply(CmdDownloadSettings, from));
    EXPECT_TRUE(waitFor(
        [&] { return Shown(prog(), {"txtIPAddress"}) == window->deviceRows().cell(row, 1); }, 2000));
}

// Discovery on every card, on the office (office card first with the default route, devices
// behind 192.168.0.200/24) and isolated (192.168.0.10/24, no route) networks of netns.sh, three
// devices each. Only these scenarios run there (see CMakeLists.txt).

constexpr int kLocalPortColumn = 4, kCardColumn = 28, kCardDevices = 3;
const QString kAllFound = QStringLiteral("Found 3 Device");

class CardsE2e : public E2e {
protected:
    void SetUp() override
    {
        const QString topology = qEnvironmentVariable("QVX_E2E_TOPOLOGY");
        if (topology != QLatin1String("office") && topology != QLatin1String("isolated"))
            GTEST_SKIP() << "runs on the office and isolated networks only";
        E2e::SetUp();
        office = topology == QLatin1String("office");
        deviceCard = qEnvironmentVariable("QVX_E2E_DEVICE_CARD");
        deviceCardLabel = deviceCard + (office ? " 192.168.0.200" : " 192.168.0.10");
    }
    void expectEveryRowOnTheDeviceCard(DiscoveryWindow *window)
    {
        for (int row = 0; row < window->deviceRows().deviceCount(); ++row)
            EXPECT_EQ(window->deviceRows().cell(row, kCardColumn), deviceCardLabel) << "row " << row;
    }
    bool office = false;
    QString deviceCard, deviceCardLabel;
};

TEST_F(CardsE2e, DiscoverUploadByMacAndFactorySettingOnTheDevicesCard)
{
    DiscoveryWindow *window = discover(kAllFound);
    EXPECT_EQ(requestsOf(CmdDiscovery), office ? 2 : 1) << "one request per card";
    EXPECT_TRUE(endpoint->sentThroughCard.contains(int(if_nametoindex(deviceCard.toLocal8Bit().constData()))));
    EXPECT_TRUE(messages.messages.isEmpty()) << messages.texts().join(" / ").toStdString();
    expectEveryRowOnTheDeviceCard(window);

    const int row = findRow(window, "192.168.0.2");
    ASSERT_GE(row, 0);
    clickRow(window, row);
    EXPECT_TRUE(waitFor([&] { return ctx->state().deviceSelected; }, 1000));
    type(box("txtIP_3", window), "202");
    type(box("txtLocalPort", window), "6002");
    const int sentBefore = sentCount();
    click("cmdNetSet", window);
    EXPECT_EQ(requestsOf(CmdUploadSelected, sentBefore), 1) << "one upload, out of the devices card only";
    EXPECT_TRUE(waitMessage("Upload device OK", 3000)) << "the device never heard the upload";
    EXPECT_TRUE(waitFor(
        [&] { return findRow(window, "192.168.0.202") >= 0 && window->deviceRows().deviceCount() == kCardDevices; },
        9000));
    EXPECT_EQ(requestsOf(CmdDiscovery, sentBefore), office ? 2 : 1) << "the re-discovery searches the same cards";
    const int moved = findRow(window, "192.168.0.202");
    ASSERT_GE(moved, 0);
    EXPECT_EQ(window->deviceRows().cell(moved, kLocalPortColumn), "6002");

    clickRow(window, moved);
    EXPECT_TRUE(waitFor([&] { return text("lblMacAddrDest_5", window) == "02"; }, 1000));
    click("cmdFactory", window);
    EXPECT_TRUE(waitMessage("Factory setting device OK", 3000)) << "the device never heard the factory setting";
    EXPECT_TRUE(waitFor([&] { return findRow(window, "192.168.0.2") >= 0; }, 6000));
    expectEveryRowOnTheDeviceCard(window);
}

// The kernel's own refusal of a card that is down: named once, the other card still searched.
TEST_F(CardsE2e, ACardThatGoesDownIsNamedOnceAndTheOthersAreStillSearched)
{
    if (!office)
        GTEST_SKIP() << "needs a second card";
    const QString officeCard = qEnvironmentVariable("QVX_E2E_OFFICE_CARD");
    ASSERT_EQ(QProcess::execute("ip", {"link", "set", officeCard, "down"}), 0);
    DiscoveryWindow *window = discover(kAllFound);
    EXPECT_EQ(text("lblNotSearched", window), QStringLiteral("Not searched on %1: Network is down").arg(officeCard));
    EXPECT_EQ(requestsOf(CmdDiscovery), 1);
    EXPECT_TRUE(messages.messages.isEmpty()) << "no box per card";

    ASSERT_EQ(QProcess::execute("ip", {"link", "set", officeCard, "up"}), 0);
    const int sentBefore = sentCount();
    refresh(window, kAllFound);
    EXPECT_EQ(requestsOf(CmdDiscovery, sentBefore), 2);
    EXPECT_EQ(text("lblNotSearched", window), QString());
}

} // namespace qvx::e2e
