// Discovery on every card, on the office (office card first with the default route, devices
// behind 192.168.0.200/24) and isolated (192.168.0.10/24, no route) networks of netns.sh, three
// devices each. Only these scenarios run there (see CMakeLists.txt).
#include "E2eSupport.h"

#include "protocol/Commands.h"
#include "protocol/ProgramState.h"

#include <QProcess>

#include <net/if.h>

namespace qvx::e2e {

constexpr int kLocalPortColumn = 4, kCardColumn = 28, kCardDevices = 3;

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
    DiscoveryWindow *window = discover(kCardDevices);
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
    DiscoveryWindow *window = discover(kCardDevices);
    EXPECT_EQ(text("lblNotSearched", window), QStringLiteral("Not searched on %1: Network is down").arg(officeCard));
    EXPECT_EQ(requestsOf(CmdDiscovery), 1);
    EXPECT_TRUE(messages.messages.isEmpty()) << "no box per card";

    ASSERT_EQ(QProcess::execute("ip", {"link", "set", officeCard, "up"}), 0);
    const int sentBefore = sentCount();
    refresh(window, kCardDevices);
    EXPECT_EQ(requestsOf(CmdDiscovery, sentBefore), 2);
    EXPECT_EQ(text("lblNotSearched", window), QString());
}

} // namespace qvx::e2e
