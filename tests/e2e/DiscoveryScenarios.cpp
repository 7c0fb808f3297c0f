// The discovery window against the simulated network: 50 answering devices; the upload
// and factory-setting scenarios work on 192.168.0.5 and 192.168.0.6.
#include "E2eSupport.h"

#include "discovery/frm03Discovery.h"
#include "programmer/frm01UDPClient.h"
#include "protocol/Commands.h"
#include "protocol/Frame.h"
#include "protocol/ProgramState.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace qvx::e2e {

namespace {

constexpr int kMacColumn = 0, kIpColumn = 1, kLocalPortColumn = 4, kBaudColumn = 6;

const QStringList kEditorControls{QStringLiteral("txtIP_3"), QStringLiteral("txtLocalPort"),
                                  QStringLiteral("lblMacAddrDest_0"), QStringLiteral("lblMacAddrDest_5")};

} // namespace

TEST_F(E2e, DiscoveryListsEveryAnsweringDevice)
{
    QVX_REQUIRE(missingProgrammerControls());
    QWidget *window = nullptr;
    QVX_REQUIRE(discover(&window));
    auto *grid = child<QAbstractItemView>(window, QStringLiteral("grdDevice"));

    // The request went to the group; silent and corrupt devices are not listed, and nobody
    // is listed twice.
    ASSERT_GE(endpoint->sent.size(), 1);
    EXPECT_EQ(quint8(endpoint->sent.last()[2]), CmdDiscovery);
    EXPECT_EQ(endpoint->remoteHost(), QString::fromLatin1(kMulticastGroup));
    QTest::qWait(1000);
    EXPECT_EQ(ctx->state().GridRowCount, kAnsweringDevices + 1);
    EXPECT_EQ(child<QLabel>(window, QStringLiteral("lblMsg"))->text(),
              QStringLiteral("Found %1 Device").arg(kAnsweringDevices));
    EXPECT_EQ(findRow(grid, kIpColumn, QString::fromLatin1(kSilentDevice)), -1);
    EXPECT_EQ(findRow(grid, kIpColumn, QString::fromLatin1(kCorruptDevice)), -1);
    const int first = findRow(grid, kIpColumn, QStringLiteral("192.168.0.1"));
    ASSERT_GE(first, 0);
    EXPECT_EQ(cell(grid, first, kMacColumn), QStringLiteral("00-04-A3-00-00-01"));
    EXPECT_EQ(cell(grid, first, 2), QStringLiteral("255.255.255.0"));
    EXPECT_GE(findRow(grid, kIpColumn, QStringLiteral("192.168.0.51")), 0);

    // The local card is the one the endpoint sends from.
    if (auto *ip = child<QLabel>(window, QStringLiteral("lblIpAddr"))) {
        EXPECT_EQ(ip->text(), QStringLiteral("192.168.0.10"));
    }

    // Closing the window aims the endpoint back at the device address.
    child<QAbstractButton>(window, QStringLiteral("cmdExit"))->click();
    EXPECT_TRUE(waitFor([&] { return endpoint->remoteHost() == QStringLiteral("192.168.0.1"); }, 1000));
}

TEST_F(E2e, UploadOfSelectedDeviceByMacThenRediscovery)
{
    QVX_REQUIRE(missingProgrammerControls());
    QWidget *window = nullptr;
    QVX_REQUIRE(discover(&window));
    QVX_REQUIRE(missing<QWidget>(window, QStringLiteral("frm03Discovery"), kEditorControls + QStringList{"cmdNetSet"}));
    auto *grid = child<QAbstractItemView>(window, QStringLiteral("grdDevice"));

    const int row = findRow(grid, kIpColumn, QStringLiteral("192.168.0.5"));
    ASSERT_GE(row, 0);
    clickRow(grid, row);
    EXPECT_TRUE(waitFor([&] { return ctx->state().DeviceSelected; }, 1000));
    EXPECT_EQ(child<QLabel>(window, QStringLiteral("lblMacAddrDest_5"))->text(), QStringLiteral("05"));
    EXPECT_EQ(child<QLineEdit>(window, QStringLiteral("txtIP_3"))->text(), QStringLiteral("5"));

    type(child<QLineEdit>(window, QStringLiteral("txtIP_3")), QStringLiteral("205"));
    type(child<QLineEdit>(window, QStringLiteral("txtLocalPort")), QStringLiteral("6001"));
    const int sentBefore = int(endpoint->sent.size());
    child<QAbstractButton>(window, QStringLiteral("cmdNetSet"))->click();
    ASSERT_EQ(requestsOf(CmdUploadSelected, sentBefore), 1);
    const QByteArray upload = endpoint->sent.last();
    ASSERT_EQ(upload.size(), 88);
    EXPECT_EQ(upload.mid(4, 6), QByteArray("\x00\x04\xA3\x00\x00\x05", 6)) << "addressed by its MAC";

    EXPECT_TRUE(waitMessage(QStringLiteral("Upload device OK"), 3000));
    EXPECT_EQ(messages.messages.last().title, QStringLiteral("Command result"));
    // Two seconds later the window lists the devices again, this one at its new address.
    EXPECT_TRUE(waitFor([&] { return findRow(grid, kIpColumn, QStringLiteral("192.168.0.205")) >= 0; }, 6000));
    EXPECT_TRUE(waitFor([&] { return ctx->state().GridRowCount == kAnsweringDevices + 1; }, 3000));
    const int moved = findRow(grid, kIpColumn, QStringLiteral("192.168.0.205"));
    ASSERT_GE(moved, 0);
    EXPECT_EQ(cell(grid, moved, kMacColumn), QStringLiteral("00-04-A3-00-00-05"));
    EXPECT_EQ(cell(grid, moved, kLocalPortColumn), QStringLiteral("6001"));
    EXPECT_EQ(findRow(grid, kIpColumn, QStringLiteral("192.168.0.5")), -1);
    EXPECT_EQ(requestsOf(CmdDiscovery, sentBefore), 1);
}

TEST_F(E2e, FactorySettingRestoresTheSelectedDevice)
{
    QVX_REQUIRE(missingProgrammerControls());
    // Change the device's serial port first, from the programmer window.
    aimAt(QStringLiteral("192.168.0.6"));
    selectLast(prog()->cmbUARTBaudrate);
    prog()->Command1->click();

    QWidget *window = nullptr;
    QVX_REQUIRE(discover(&window));
    QVX_REQUIRE(missing<QWidget>(window, QStringLiteral("frm03Discovery"), kEditorControls + QStringList{"cmdFactory"}));
    auto *grid = child<QAbstractItemView>(window, QStringLiteral("grdDevice"));
    const int row = findRow(grid, kIpColumn, QStringLiteral("192.168.0.6"));
    ASSERT_GE(row, 0);
    EXPECT_EQ(cell(grid, row, kBaudColumn), QStringLiteral("115200"));

    clickRow(grid, row);
    EXPECT_TRUE(waitFor([&] { return ctx->state().DeviceSelected; }, 1000));
    const int sentBefore = int(endpoint->sent.size());
    child<QAbstractButton>(window, QStringLiteral("cmdFactory"))->click();
    ASSERT_EQ(requestsOf(CmdFactorySetting, sentBefore), 1);
    EXPECT_EQ(endpoint->sent.last(), BuildRequestFrame(CmdFactorySetting, QByteArray("\x00\x04\xA3\x00\x00\x06", 6)));
    EXPECT_TRUE(waitMessage(QStringLiteral("Factory setting device OK"), 3000));

    EXPECT_TRUE(waitFor(
        [&] {
            const int r = findRow(grid, kIpColumn, QStringLiteral("192.168.0.6"));
            return r >= 0 && cell(grid, r, kBaudColumn) == QStringLiteral("9600");
        },
        6000));
}

} // namespace qvx::e2e
