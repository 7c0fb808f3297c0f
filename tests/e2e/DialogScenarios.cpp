// The source filter, bridge and MAC reassignment dialogs against simulated devices
// 192.168.0.7, .8 and .9. Each write is logout, 2 s, write; each is read back afterwards.
#include "E2eSupport.h"

#include "dialogs/SourceFilterDialog.h"
#include "dialogs/BridgeDialog.h"
#include "dialogs/MacAddressDialog.h"
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
    prog()->sourceFilterButton->click();
    SourceFilterDialog *d = ctx->sourceIfLoaded();
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(waitReply(CmdDownloadSource, from));

    const QStringList second{"10", "0", "0", "1"}, fourth{"172", "16", "5", "9"};
    for (int i = 0; i < 4; ++i) {
        type(d->source2Boxes[i], second[i]);
        type(d->source4Boxes[i], fourth[i]);
    }
    ASSERT_TRUE(clickAndWaitWrite(d->uploadButton, CmdUploadSource));
    EXPECT_EQ(endpoint->sent.last().mid(4, 16), QByteArray("\0\0\0\0\x0A\0\0\x01\0\0\0\0\xAC\x10\x05\x09", 16));

    // Scribble over the boxes, then read the device's filter back.
    for (int i = 0; i < 4; ++i) {
        type(d->source2Boxes[i], "9");
        type(d->source4Boxes[i], "9");
    }
    from = receivedCount();
    d->downloadButton->click();
    ASSERT_TRUE(waitReply(CmdDownloadSource, from));
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(d->source1Boxes[i]->text(), "0");
        EXPECT_EQ(d->source2Boxes[i]->text(), second[i]);
        EXPECT_EQ(d->source3Boxes[i]->text(), "0");
        EXPECT_EQ(d->source4Boxes[i]->text(), fourth[i]);
    }
}

TEST_F(E2e, BridgeRoundTrip)
{
    aimAt("192.168.0.8");
    ASSERT_TRUE(login(kPassword));
    int from = receivedCount();
    prog()->bridgeButton->click();
    BridgeDialog *d = ctx->bridgeIfLoaded();
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(waitReply(CmdDownloadBridge, from));
    EXPECT_TRUE(d->bridgeDisabled->isChecked()); // a fresh device: bridge off, everything 0

    d->bridgeEnabled->click();
    type(d->bridgeLocalPortBox, "4001");
    for (int k = 0; k < 5; ++k)
        type(d->bridgeRemotePortBoxes[k], QString::number(7001 + k));
    const QStringList first{"10", "9", "8", "7"}, fifth{"192", "168", "0", "99"};
    for (int i = 0; i < 4; ++i) {
        type(d->bridge1Boxes[i], first[i]);
        type(d->bridge5Boxes[i], fifth[i]);
    }
    ASSERT_TRUE(clickAndWaitWrite(d->uploadButton, CmdUploadBridge));
    ASSERT_EQ(endpoint->sent.last().size(), 39);

    d->bridgeDisabled->click();
    for (QLineEdit *box : {d->bridgeLocalPortBox, d->bridgeRemotePortBoxes[4], d->bridge5Boxes[3]})
        type(box, "1");
    from = receivedCount();
    d->downloadButton->click();
    ASSERT_TRUE(waitReply(CmdDownloadBridge, from));
    EXPECT_TRUE(d->bridgeEnabled->isChecked());
    EXPECT_EQ(d->bridgeLocalPortBox->text(), "4001");
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(d->bridgeRemotePortBoxes[k]->text(), QString::number(7001 + k));
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(d->bridge1Boxes[i]->text(), first[i]);
        EXPECT_EQ(d->bridge3Boxes[i]->text(), "0");
        EXPECT_EQ(d->bridge5Boxes[i]->text(), fifth[i]);
    }
}

TEST_F(E2e, MacReassignmentAutomaticThenFromCode)
{
    aimAt("192.168.0.9");
    download();
    ASSERT_EQ(prog()->macAddressBoxes[5]->text(), "09");
    const auto mac = [this] {
        QString text;
        for (QLineEdit *box : prog()->macAddressBoxes)
            text += box->text();
        return text;
    };

    ASSERT_TRUE(login(kPassword));
    ASSERT_TRUE(clickAndWaitWrite(prog()->macAutomaticButton, CmdMacAutomatic));
    // The neighbour cache is flushed once the device confirms.
    ASSERT_EQ(processes.started.size(), 1);
    EXPECT_TRUE(processes.started[0].program.endsWith("clearArp.sh")) << processes.started[0].program.toStdString();
    download();
    EXPECT_TRUE(mac().startsWith("0004A3"));
    EXPECT_NE(mac(), "0004A3000009");

    ASSERT_TRUE(login(kPassword));
    prog()->macManualButton->click();
    MacAddressDialog *d = ctx->macAddressIfLoaded();
    ASSERT_NE(d, nullptr);
    type(d->codeBox, "1193046"); // 0x123456
    EXPECT_EQ(d->newMacBytes[3]->text() + d->newMacBytes[4]->text() + d->newMacBytes[5]->text(), "123456");
    ASSERT_TRUE(clickAndWaitWrite(d->setAddressButton, CmdMacFromCode));
    EXPECT_EQ(endpoint->sent.last().mid(4, 3), QByteArray("\x12\x34\x56"));
    EXPECT_EQ(processes.started.size(), 2);
    download();
    EXPECT_EQ(mac(), "0004A3123456");
}

} // namespace qvx::e2e
