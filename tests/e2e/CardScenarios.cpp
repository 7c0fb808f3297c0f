// Discovery on every network card, on the two small networks netns.sh builds for it (three
// devices each, 192.168.0.1 .. .3):
//   office    two cards: the office card first, holding the default route; the devices
//             behind the second card (192.168.0.200/24), which has no route of its own;
//   isolated  one card (192.168.0.10/24), no default route and no multicast route.
// Only these scenarios run there (see CMakeLists.txt), and they run nowhere else.
#include "E2eSupport.h"

#include "discovery/DiscoveryWindow.h"
#include "protocol/Commands.h"
#include "protocol/ProgramState.h"

#include <QComboBox>
#include <QProcess>
#include <QTableView>

#include <net/if.h>

namespace qvx::e2e {

namespace {

constexpr int kLocalPortColumn = 4, kCardColumn = 28;
constexpr int kCardDevices = 3;

QString topology()
{
    return qEnvironmentVariable("QVX_E2E_TOPOLOGY");
}

// Runs `ip ARGS...` in this (the program's private) namespace; true when it succeeded.
bool ip(const QStringList &args)
{
    return QProcess::execute(QStringLiteral("ip"), args) == 0;
}

} // namespace

class CardsE2e : public E2e {
protected:
    void SetUp() override
    {
        if (topology() != QLatin1String("office") && topology() != QLatin1String("isolated"))
            GTEST_SKIP() << "runs on the office and isolated networks only";
        E2e::SetUp();
        office = topology() == QLatin1String("office");
        deviceCard = qEnvironmentVariable("QVX_E2E_DEVICE_CARD");
        programAddress = office ? QStringLiteral("192.168.0.200") : QStringLiteral("192.168.0.10");
        deviceCardLabel = deviceCard + QLatin1Char(' ') + programAddress;
    }

    void expectEveryRowOnTheDeviceCard(DiscoveryWindow *window)
    {
        for (int row = 0; row < rowCount(window); ++row)
            EXPECT_EQ(cell(window, row, kCardColumn), deviceCardLabel) << "row " << row;
    }

    bool office = false;
    QString deviceCard, programAddress, deviceCardLabel;
};

TEST_F(CardsE2e, DiscoverUploadByMacAndFactorySettingOnTheDevicesCard)
{
    DiscoveryWindow *window = discover(kCardDevices);
    // One request per card: both cards on the office laptop, the one card otherwise; one of
    // them out of the devices card.
    EXPECT_EQ(requestsOf(CmdDiscovery), office ? 2 : 1);
    const int deviceCardIndex = int(if_nametoindex(deviceCard.toLocal8Bit().constData()));
    EXPECT_TRUE(endpoint->sentThroughCard.contains(deviceCardIndex));
    EXPECT_TRUE(messages.messages.isEmpty()) << "no error box: " << messages.texts().join(" / ").toStdString();
    EXPECT_EQ(text("lblNotSearched", window), QString());
    EXPECT_EQ(control<QTableView>(window, "grdDevice")->model()->headerData(kCardColumn, Qt::Horizontal).toString(),
              "Network card");
    expectEveryRowOnTheDeviceCard(window);
    // Before a selection the panel shows the first card a device answered on.
    EXPECT_EQ(text("lblIpAddr", window), programAddress);
    EXPECT_EQ(text("lblSubnetMask", window), "255.255.255.0");

    // Upload by MAC: the device at .2 moves to .202, and the list that follows shows it there.
    const int row = findRow(window, "192.168.0.2");
    ASSERT_GE(row, 0);
    clickRow(window, row);
    EXPECT_TRUE(waitFor([&] { return ctx->state().deviceSelected; }, 1000));
    EXPECT_EQ(text("lblIpAddr", window), programAddress);
    type(box("txtIP_3", window), "202");
    type(box("txtLocalPort", window), "6002");
    const int sentBefore = sentCount();
    click("cmdNetSet", window);
    EXPECT_EQ(requestsOf(CmdUploadSelected, sentBefore), 1) << "one upload, out of the devices card only";
    EXPECT_TRUE(waitMessage("Upload device OK", 3000)) << "the device never heard the upload";
    EXPECT_TRUE(waitFor([&] { return findRow(window, "192.168.0.202") >= 0; }, 6000));
    EXPECT_TRUE(waitFor([&] { return rowCount(window) == kCardDevices; }, 3000));
    EXPECT_EQ(requestsOf(CmdDiscovery, sentBefore), office ? 2 : 1) << "the re-discovery searches the same cards";
    const int moved = findRow(window, "192.168.0.202");
    ASSERT_GE(moved, 0);
    EXPECT_EQ(cell(window, moved, kLocalPortColumn), "6002");
    EXPECT_EQ(cell(window, moved, kCardColumn), deviceCardLabel);

    // Factory setting by MAC brings it back to its start address.
    clickRow(window, moved);
    EXPECT_TRUE(waitFor([&] { return text("lblMacAddrDest_5", window) == "02"; }, 1000));
    const int beforeFactory = sentCount();
    click("cmdFactory", window);
    EXPECT_EQ(requestsOf(CmdFactorySetting, beforeFactory), 1);
    EXPECT_TRUE(waitMessage("Factory setting device OK", 3000)) << "the device never heard the factory setting";
    EXPECT_TRUE(waitFor([&] { return findRow(window, "192.168.0.2") >= 0; }, 6000));
    EXPECT_EQ(findRow(window, "192.168.0.202"), -1);
    expectEveryRowOnTheDeviceCard(window);
}

TEST_F(CardsE2e, TheChosenCardAloneIsSearchedAndShown)
{
    DiscoveryWindow *window = discover(kCardDevices);
    auto *selector = control<QComboBox>(window, "cmbNetworkCard");
    EXPECT_EQ(selector->itemText(0), "All network cards");
    const int entry = selector->findText(deviceCardLabel + "/24");
    ASSERT_GE(entry, 1) << "no selector entry for " << deviceCardLabel.toStdString();
    selector->setCurrentIndex(entry);
    EXPECT_EQ(text("lblIpAddr", window), programAddress);

    const int sentBefore = sentCount();
    refresh(window, kCardDevices);
    EXPECT_EQ(requestsOf(CmdDiscovery, sentBefore), 1);
    expectEveryRowOnTheDeviceCard(window);
    EXPECT_EQ(text("lblNotSearched", window), QString());
}

TEST_F(CardsE2e, TheProgrammerWindowSaysWhyADeviceBeyondEveryCardCannotBeReached)
{
    if (office)
        GTEST_SKIP() << "the office card's default route reaches every address";
    aimAt("10.1.1.5");
    click("cmdCommand_a");
    ASSERT_FALSE(messages.messages.isEmpty());
    const test::ShownMessage &shown = messages.messages[0];
    EXPECT_TRUE(shown.title.startsWith("Errore ")) << shown.title.toStdString();
    EXPECT_TRUE(shown.text.endsWith("No network card of this computer is on the subnet of 10.1.1.5, and no route "
                                    "leads there. Connect to the device's network, or give the device an address "
                                    "on a card's subnet with \"Upload selected device\" in the discovery window."))
        << shown.text.toStdString();
    EXPECT_FALSE(shown.text.startsWith("No network card")) << "the system's own text comes first";
}

TEST_F(CardsE2e, ACardThatGoesDownIsNamedOnceAndTheOthersAreStillSearched)
{
    if (!office)
        GTEST_SKIP() << "needs a second card";
    const QString officeCard = qEnvironmentVariable("QVX_E2E_OFFICE_CARD");
    ASSERT_TRUE(ip({"link", "set", officeCard, "down"}));
    DiscoveryWindow *window = discover(kCardDevices);
    EXPECT_EQ(text("lblNotSearched", window), QStringLiteral("Not searched on %1: Network is down").arg(officeCard));
    EXPECT_EQ(requestsOf(CmdDiscovery), 1);
    EXPECT_TRUE(messages.messages.isEmpty()) << "no box per card";
    expectEveryRowOnTheDeviceCard(window);

    // Back up: searched again at the next refresh, and named no more.
    ASSERT_TRUE(ip({"link", "set", officeCard, "up"}));
    ip({"route", "replace", "default", "via", "10.9.0.1", "dev", officeCard});
    const int sentBefore = sentCount();
    refresh(window, kCardDevices);
    EXPECT_EQ(requestsOf(CmdDiscovery, sentBefore), 2);
    EXPECT_EQ(text("lblNotSearched", window), QString());
}

} // namespace qvx::e2e
