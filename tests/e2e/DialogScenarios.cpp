// The source filter, bridge and MAC reassignment dialogs against simulated devices
// 192.168.0.7, .8 and .9. Each write is logout, 2 s, write; each is read back afterwards.
#include "E2eSupport.h"

#include "dialogs/frm05Source.h"
#include "dialogs/frm06Bridge.h"
#include "dialogs/frm07MacAddress.h"
#include "protocol/Commands.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace qvx::e2e {

TEST_F(E2e, SourceFilterRoundTrip)
{
    aimAt("192.168.0.7");
    ASSERT_TRUE(login(kPassword));
    int from = receivedCount();
    prog()->cmdSource->click();
    frm05Source *d = ctx->sourceIfLoaded();
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(waitReply(CmdDownloadSource, from));

    const QStringList second{"10", "0", "0", "1"}, fourth{"172", "16", "5", "9"};
    for (int i = 0; i < 4; ++i) {
        type(d->txtSourceIP2[i], second[i]);
        type(d->txtSourceIP4[i], fourth[i]);
    }
    ASSERT_TRUE(clickAndWaitWrite(d->cmdUploadSourceIP, CmdUploadSource));
    EXPECT_EQ(endpoint->sent.last().mid(4, 16), QByteArray("\0\0\0\0\x0A\0\0\x01\0\0\0\0\xAC\x10\x05\x09", 16));

    // Scribble over the boxes, then read the device's filter back.
    for (int i = 0; i < 4; ++i) {
        type(d->txtSourceIP2[i], "9");
        type(d->txtSourceIP4[i], "9");
    }
    from = receivedCount();
    d->cmdDownloadSourceIP->click();
    ASSERT_TRUE(waitReply(CmdDownloadSource, from));
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(d->txtSourceIP1[i]->text(), "0");
        EXPECT_EQ(d->txtSourceIP2[i]->text(), second[i]);
        EXPECT_EQ(d->txtSourceIP3[i]->text(), "0");
        EXPECT_EQ(d->txtSourceIP4[i]->text(), fourth[i]);
    }
}

TEST_F(E2e, BridgeRoundTrip)
{
    aimAt("192.168.0.8");
    ASSERT_TRUE(login(kPassword));
    int from = receivedCount();
    prog()->cmdBridge->click();
    frm06Bridge *d = ctx->bridgeIfLoaded();
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(waitReply(CmdDownloadBridge, from));
    EXPECT_TRUE(d->optDisableB->isChecked()); // a fresh device: bridge off, everything 0

    d->optEnableB->click();
    type(d->txtLocalPortB, "4001");
    for (int k = 0; k < 5; ++k)
        type(d->txtRemotePortB[k], QString::number(7001 + k));
    const QStringList first{"10", "9", "8", "7"}, fifth{"192", "168", "0", "99"};
    for (int i = 0; i < 4; ++i) {
        type(d->txtBridgeIP1[i], first[i]);
        type(d->txtBridgeIP5[i], fifth[i]);
    }
    ASSERT_TRUE(clickAndWaitWrite(d->cmdUploadBridgeIP, CmdUploadBridge));
    ASSERT_EQ(endpoint->sent.last().size(), 39);

    d->optDisableB->click();
    for (QLineEdit *box : {d->txtLocalPortB, d->txtRemotePortB[4], d->txtBridgeIP5[3]})
        type(box, "1");
    from = receivedCount();
    d->cmdDownloadBridgeIP->click();
    ASSERT_TRUE(waitReply(CmdDownloadBridge, from));
    EXPECT_TRUE(d->optEnableB->isChecked());
    EXPECT_EQ(d->txtLocalPortB->text(), "4001");
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(d->txtRemotePortB[k]->text(), QString::number(7001 + k));
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(d->txtBridgeIP1[i]->text(), first[i]);
        EXPECT_EQ(d->txtBridgeIP3[i]->text(), "0");
        EXPECT_EQ(d->txtBridgeIP5[i]->text(), fifth[i]);
    }
}

TEST_F(E2e, MacReassignmentAutomaticThenFromCode)
{
    aimAt("192.168.0.9");
    download();
    ASSERT_EQ(prog()->txtMacAddress[5]->text(), "09");
    const auto mac = [this] {
        QString text;
        for (QLineEdit *box : prog()->txtMacAddress)
            text += box->text();
        return text;
    };

    ASSERT_TRUE(login(kPassword));
    ASSERT_TRUE(clickAndWaitWrite(prog()->cmdResetMacAutomatic, CmdMacAutomatic));
    // The neighbour cache is flushed once the device confirms.
    ASSERT_EQ(processes.started.size(), 1);
    EXPECT_TRUE(processes.started[0].program.endsWith("clearArp.sh")) << processes.started[0].program.toStdString();
    download();
    EXPECT_TRUE(mac().startsWith("0004A3"));
    EXPECT_NE(mac(), "0004A3000009");

    ASSERT_TRUE(login(kPassword));
    prog()->cmdResetMacManual->click();
    frm07MacAddress *d = ctx->macAddressIfLoaded();
    ASSERT_NE(d, nullptr);
    type(d->txtCode, "1193046"); // 0x123456
    EXPECT_EQ(d->lblMacAddr[3]->text() + d->lblMacAddr[4]->text() + d->lblMacAddr[5]->text(), "123456");
    ASSERT_TRUE(clickAndWaitWrite(d->Command2, CmdMacFromCode));
    EXPECT_EQ(endpoint->sent.last().mid(4, 3), QByteArray("\x12\x34\x56"));
    EXPECT_EQ(processes.started.size(), 2);
    download();
    EXPECT_EQ(mac(), "0004A3123456");
}

} // namespace qvx::e2e
