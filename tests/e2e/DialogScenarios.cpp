// The source filter, bridge and MAC reassignment dialogs against simulated devices
// 192.168.0.7, .8 and .9. Each write is logout, 2 s, write; each is read back afterwards.
#include "E2eSupport.h"

#include "dialogs/frm05Source.h"
#include "dialogs/frm06Bridge.h"
#include "dialogs/frm07MacAddress.h"
#include "programmer/frm01UDPClient.h"
#include "protocol/Commands.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QRadioButton>

namespace qvx::e2e {

namespace {

QStringList octetBoxes(const QString &prefix)
{
    QStringList names;
    for (int i = 0; i < 4; ++i)
        names << QStringLiteral("%1_%2").arg(prefix).arg(i);
    return names;
}

} // namespace

TEST_F(E2e, SourceFilterRoundTrip)
{
    QVX_REQUIRE(missingProgrammerControls());
    aimAt(QStringLiteral("192.168.0.7"));
    bool accepted = false;
    QVX_REQUIRE(login(QString::fromLatin1(kPassword), &accepted));
    ASSERT_TRUE(accepted);

    int from = int(endpoint->received.size());
    prog()->cmdSource->click();
    QWidget *dialog = ctx->sourceIfLoaded();
    QStringList names{QStringLiteral("cmdUploadSourceIP"), QStringLiteral("cmdDownloadSourceIP")};
    for (int k = 1; k <= 4; ++k)
        names << octetBoxes(QStringLiteral("txtSourceIP%1").arg(k));
    QVX_REQUIRE(missing<QWidget>(dialog, QStringLiteral("frm05Source"), names));
    EXPECT_TRUE(waitReply(CmdDownloadSource, from));

    const auto box = [&](int address, int octet) {
        return child<QLineEdit>(dialog, QStringLiteral("txtSourceIP%1_%2").arg(address).arg(octet));
    };
    const QStringList second{"10", "0", "0", "1"}, fourth{"172", "16", "5", "9"};
    for (int i = 0; i < 4; ++i) {
        type(box(2, i), second[i]);
        type(box(4, i), fourth[i]);
    }
    ASSERT_TRUE(clickAndWaitWrite(child<QAbstractButton>(dialog, QStringLiteral("cmdUploadSourceIP")), CmdUploadSource));
    const QByteArray write = endpoint->sent.last();
    ASSERT_EQ(write.size(), 22);
    EXPECT_EQ(write.mid(4, 16), QByteArray("\0\0\0\0\x0A\0\0\x01\0\0\0\0\xAC\x10\x05\x09", 16));

    // Scribble over the boxes, then read the device's filter back.
    for (int i = 0; i < 4; ++i) {
        type(box(2, i), QStringLiteral("9"));
        type(box(4, i), QStringLiteral("9"));
    }
    from = int(endpoint->received.size());
    child<QAbstractButton>(dialog, QStringLiteral("cmdDownloadSourceIP"))->click();
    ASSERT_TRUE(waitReply(CmdDownloadSource, from));
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(box(1, i)->text(), QStringLiteral("0"));
        EXPECT_EQ(box(2, i)->text(), second[i]);
        EXPECT_EQ(box(3, i)->text(), QStringLiteral("0"));
        EXPECT_EQ(box(4, i)->text(), fourth[i]);
    }
}

TEST_F(E2e, BridgeRoundTrip)
{
    QVX_REQUIRE(missingProgrammerControls());
    aimAt(QStringLiteral("192.168.0.8"));
    bool accepted = false;
    QVX_REQUIRE(login(QString::fromLatin1(kPassword), &accepted));
    ASSERT_TRUE(accepted);

    int from = int(endpoint->received.size());
    prog()->cmdBridge->click();
    QWidget *dialog = ctx->bridgeIfLoaded();
    QStringList names{QStringLiteral("cmdUploadBridgeIP"), QStringLiteral("cmdDownloadBridgeIP"),
                      QStringLiteral("txtLocalPortB"), QStringLiteral("optEnableB"), QStringLiteral("optDisableB")};
    for (int k = 1; k <= 5; ++k)
        names << octetBoxes(QStringLiteral("txtBridgeIP%1").arg(k)) << QStringLiteral("txtRemotePortB_%1").arg(k - 1);
    QVX_REQUIRE(missing<QWidget>(dialog, QStringLiteral("frm06Bridge"), names));
    EXPECT_TRUE(waitReply(CmdDownloadBridge, from));
    // A fresh device: bridge off, everything 0.
    EXPECT_TRUE(child<QRadioButton>(dialog, QStringLiteral("optDisableB"))->isChecked());

    const auto text = [&](const QString &name) { return child<QLineEdit>(dialog, name); };
    child<QAbstractButton>(dialog, QStringLiteral("optEnableB"))->click();
    type(text(QStringLiteral("txtLocalPortB")), QStringLiteral("4001"));
    for (int k = 0; k < 5; ++k)
        type(text(QStringLiteral("txtRemotePortB_%1").arg(k)), QString::number(7001 + k));
    const QStringList first{"10", "9", "8", "7"}, fifth{"192", "168", "0", "99"};
    for (int i = 0; i < 4; ++i) {
        type(text(QStringLiteral("txtBridgeIP1_%1").arg(i)), first[i]);
        type(text(QStringLiteral("txtBridgeIP5_%1").arg(i)), fifth[i]);
    }
    ASSERT_TRUE(clickAndWaitWrite(child<QAbstractButton>(dialog, QStringLiteral("cmdUploadBridgeIP")), CmdUploadBridge));
    ASSERT_EQ(endpoint->sent.last().size(), 39);

    child<QAbstractButton>(dialog, QStringLiteral("optDisableB"))->click();
    type(text(QStringLiteral("txtLocalPortB")), QStringLiteral("1"));
    type(text(QStringLiteral("txtRemotePortB_4")), QStringLiteral("1"));
    type(text(QStringLiteral("txtBridgeIP5_3")), QStringLiteral("1"));
    from = int(endpoint->received.size());
    child<QAbstractButton>(dialog, QStringLiteral("cmdDownloadBridgeIP"))->click();
    ASSERT_TRUE(waitReply(CmdDownloadBridge, from));
    EXPECT_TRUE(child<QRadioButton>(dialog, QStringLiteral("optEnableB"))->isChecked());
    EXPECT_EQ(text(QStringLiteral("txtLocalPortB"))->text(), QStringLiteral("4001"));
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(text(QStringLiteral("txtRemotePortB_%1").arg(k))->text(), QString::number(7001 + k));
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(text(QStringLiteral("txtBridgeIP1_%1").arg(i))->text(), first[i]);
        EXPECT_EQ(text(QStringLiteral("txtBridgeIP3_%1").arg(i))->text(), QStringLiteral("0"));
        EXPECT_EQ(text(QStringLiteral("txtBridgeIP5_%1").arg(i))->text(), fifth[i]);
    }
}

TEST_F(E2e, MacReassignmentAutomaticThenFromCode)
{
    QVX_REQUIRE(missingProgrammerControls());
    aimAt(QStringLiteral("192.168.0.9"));
    download();
    ASSERT_EQ(prog()->txtMacAddress[5]->text(), QStringLiteral("09"));

    bool accepted = false;
    QVX_REQUIRE(login(QString::fromLatin1(kPassword), &accepted));
    ASSERT_TRUE(accepted);
    ASSERT_TRUE(clickAndWaitWrite(prog()->cmdResetMacAutomatic, CmdMacAutomatic));
    // The neighbour cache is flushed once the device confirms.
    ASSERT_EQ(processes.started.size(), 1);
    EXPECT_TRUE(processes.started[0].program.endsWith(QStringLiteral("clearArp.sh")))
        << processes.started[0].program.toStdString();
    download();
    const QStringList prefix{prog()->txtMacAddress[0]->text(), prog()->txtMacAddress[1]->text(),
                             prog()->txtMacAddress[2]->text()};
    EXPECT_EQ(prefix, QStringList({"00", "04", "A3"}));
    const QString automatic = prog()->txtMacAddress[3]->text() + prog()->txtMacAddress[4]->text() +
                              prog()->txtMacAddress[5]->text();
    EXPECT_NE(automatic, QStringLiteral("000009"));

    QVX_REQUIRE(login(QString::fromLatin1(kPassword), &accepted));
    ASSERT_TRUE(accepted);
    prog()->cmdResetMacManual->click();
    QWidget *dialog = ctx->macAddressIfLoaded();
    QVX_REQUIRE(missing<QWidget>(dialog, QStringLiteral("frm07MacAddress"),
                                 {QStringLiteral("txtCode"), QStringLiteral("Command2"), QStringLiteral("lblMacAddr3"),
                                  QStringLiteral("lblMacAddr4"), QStringLiteral("lblMacAddr5")}));
    type(child<QLineEdit>(dialog, QStringLiteral("txtCode")), QStringLiteral("1193046")); // 0x123456
    EXPECT_EQ(child<QLabel>(dialog, QStringLiteral("lblMacAddr3"))->text(), QStringLiteral("12"));
    EXPECT_EQ(child<QLabel>(dialog, QStringLiteral("lblMacAddr5"))->text(), QStringLiteral("56"));
    ASSERT_TRUE(clickAndWaitWrite(child<QAbstractButton>(dialog, QStringLiteral("Command2")), CmdMacFromCode));
    EXPECT_EQ(endpoint->sent.last().mid(4, 3), QByteArray("\x12\x34\x56", 3));
    EXPECT_EQ(processes.started.size(), 2);
    download();
    EXPECT_EQ(prog()->txtMacAddress[3]->text(), QStringLiteral("12"));
    EXPECT_EQ(prog()->txtMacAddress[4]->text(), QStringLiteral("34"));
    EXPECT_EQ(prog()->txtMacAddress[5]->text(), QStringLiteral("56"));
}

} // namespace qvx::e2e
