// The discovery window on a site whose devices sit on two subnets behind a router
// (routed-net.sh): the discovery finds none of them, "Search addresses…" finds them all,
// and a device found by address opens in the programmer window. Runs there only.
#include "E2eSupport.h"

#include "protocol/Commands.h"

#include <QRegularExpression>

namespace qvx::e2e {

TEST_F(E2e, RoutedSubnetsAreFoundByAddressNotByTheDiscovery)
{
    if (qEnvironmentVariable("QVX_E2E_TOPOLOGY") != QLatin1String("routed"))
        GTEST_SKIP() << "runs on the routed network only";
    const QStringList subnets = qEnvironmentVariable("QVX_E2E_SUBNETS").split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const int devices = qEnvironmentVariableIntValue("QVX_E2E_DEVICES");

    click("cmdDiscovery");
    DiscoveryWindow *window = ctx->discoveryIfLoaded();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window, 3000));
    click("cmdRefresh", window);
    ASSERT_TRUE(waitFor([&] { return text("lblMsg", window) == QLatin1String("No Device Found"); }, 7000))
        << "the discovery does not cross the router";

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
        [&] { return Dotted<QLineEdit>(prog(), "txtIPAddress") == window->deviceRows().cell(row, 1); }, 2000));
}

} // namespace qvx::e2e
