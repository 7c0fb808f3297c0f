// The source filter, bridge and MAC reassignment dialogs against simulated devices
// 192.168.0.7, .8 and .9. Each write is logout, 2 s, write; each is read back afterwards.
#include "E2eSupport.h"

#include "dialogs/BridgeDialog.h"
#include "dialogs/MacAddressDialog.h"
#include "dialogs/SourceFilterDialog.h"
#include "protocol/Commands.h"

#include <QRadioButton>

namespace qvx::e2e {

TEST_F(E2e, SourceFilterRoundTrip)
{
    aimAt("192.168.0.7");
    ASSERT_TRUE(login(kPassword));
    int from = receivedCount();
    click("cmdSource");
    SourceFilterDialog *d = ctx->sourceIfLoaded();
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(waitReply(CmdDownloadSource, from));

    const auto typeSources = [&](const QString &second, const QString &fourth) {
        const QStringList a = second.split(QLatin1Char('.')), b = fourth.split(QLatin1Char('.'));
        for (int i = 0; i < 4; ++i) {
            type(box(QStringLiteral("txtSourceIP2_%1").arg(i), d), a[i]);
            type(box(QStringLiteral("txtSourceIP4_%1").arg(i), d), b[i]);
        }
    };
    typeSources("10.0.0.1", "172.16.5.9");
    ASSERT_TRUE(clickAndWaitWrite("cmdUploadSourceIP", CmdUploadSource, d));
    EXPECT_EQ(endpoint->sent.last().mid(4, 16), QByteArray("\0\0\0\0\x0A\0\0\x01\0\0\0\0\xAC\x10\x05\x09", 16));

    // Scribble over the boxes, then read the device's filter back.
    typeSources("9.9.9.9", "9.9.9.9");
    from = receivedCount();
    click("cmdDownloadSourceIP", d);
    ASSERT_TRUE(waitReply(CmdDownloadSource, from));
    EXPECT_EQ((QStringList{joined(d, "txtSourceIP1"), joined(d, "txtSourceIP2"), joined(d, "txtSourceIP3"),
                           joined(d, "txtSourceIP4")}),
              (QStringList{"0.0.0.0", "10.0.0.1", "0.0.0.0", "172.16.5.9"}));
}

TEST_F(E2e, BridgeRoundTrip)
{
    aimAt("192.168.0.8");
    ASSERT_TRUE(login(kPassword));
    int from = receivedCount();
    click("cmdBridge");
    BridgeDialog *d = ctx->bridgeIfLoaded();
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(waitReply(CmdDownloadBridge, from));
    EXPECT_TRUE(control<QRadioButton>(d, "optDisableB")->isChecked()); // a fresh device: bridge off, everything 0

    click("optEnableB", d);
    type(box("txtLocalPortB", d), "4001");
    for (int k = 0; k < 5; ++k)
        type(box(QStringLiteral("txtRemotePortB_%1").arg(k), d), QString::number(7001 + k));
    const QStringList first{"10", "9", "8", "7"}, fifth{"192", "168", "0", "99"};
    for (int i = 0; i < 4; ++i) {
        type(box(QStringLiteral("txtBridgeIP1_%1").arg(i), d), first[i]);
        type(box(QStringLiteral("txtBridgeIP5_%1").arg(i), d), fifth[i]);
    }
    ASSERT_TRUE(clickAndWaitWrite("cmdUploadBridgeIP", CmdUploadBridge, d));
    ASSERT_EQ(endpoint->sent.last().size(), 39);

    click("optDisableB", d);
    for (const char *name : {"txtLocalPortB", "txtRemotePortB_4", "txtBridgeIP5_3"})
        type(box(QLatin1String(name), d), "1");
    from = receivedCount();
    click("cmdDownloadBridgeIP", d);
    ASSERT_TRUE(waitReply(CmdDownloadBridge, from));
    EXPECT_TRUE(control<QRadioButton>(d, "optEnableB")->isChecked());
    EXPECT_EQ(text("txtLocalPortB", d), "4001");
    EXPECT_EQ(joined(d, "txtRemotePortB", 5, ","), "7001,7002,7003,7004,7005");
    EXPECT_EQ(joined(d, "txtBridgeIP1"), "10.9.8.7");
    EXPECT_EQ(joined(d, "txtBridgeIP3"), "0.0.0.0");
    EXPECT_EQ(joined(d, "txtBridgeIP5"), "192.168.0.99");
}

TEST_F(E2e, MacReassignmentAutomaticThenFromCode)
{
    aimAt("192.168.0.9");
    download();
    ASSERT_EQ(text("txtMacAddress_5"), "09");
    const auto mac = [this] { return joined(prog(), "txtMacAddress", 6, QString()); };

    ASSERT_TRUE(login(kPassword));
    ASSERT_TRUE(clickAndWaitWrite("cmdResetMacAutomatic", CmdMacAutomatic));
    // The neighbour cache is flushed once the device confirms.
    ASSERT_EQ(processes.started.size(), 1);
    EXPECT_TRUE(processes.started[0].program.endsWith("clearArp.sh")) << processes.started[0].program.toStdString();
    download();
    EXPECT_TRUE(mac().startsWith("0004A3"));
    EXPECT_NE(mac(), "0004A3000009");

    ASSERT_TRUE(login(kPassword));
    click("cmdResetMacManual");
    MacAddressDialog *d = ctx->macAddressIfLoaded();
    ASSERT_NE(d, nullptr);
    type(box("txtCode", d), "1193046"); // 0x123456
    EXPECT_EQ(text("lblMacAddr3", d) + text("lblMacAddr4", d) + text("lblMacAddr5", d), "123456");
    ASSERT_TRUE(clickAndWaitWrite("Command2", CmdMacFromCode, d));
    EXPECT_EQ(endpoint->sent.last().mid(4, 3), QByteArray("\x12\x34\x56"));
    EXPECT_EQ(processes.started.size(), 2);
    download();
    EXPECT_EQ(mac(), "0004A3123456");
}

} // namespace qvx::e2e
