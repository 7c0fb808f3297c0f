#include "DialogTestSupport.h"

#include "dialogs/BridgeDialog.h"

#include <QRadioButton>

namespace qvx::test {
namespace {

// Status, local port 4001, remote ports 5001..5005 and addresses 10.0.k.(k + 1).
QByteArray SampleBridgeReply(quint8 status)
{
    return Bytes({status}) + Hex("0FA1" "1389" "138A" "138B" "138C" "138D"
                                 "0A000001" "0A000102" "0A000203" "0A000304" "0A000405");
}

struct BridgeDialogTest : DialogTest {
    BridgeDialog *open()
    {
        BridgeDialog *dialog = h.app().bridge();
        dialog->show();
        return dialog;
    }
    static std::array<QLineEdit *, 4> &octets(BridgeDialog *d, int destination)
    {
        return *std::array{&d->bridge1Boxes, &d->bridge2Boxes, &d->bridge3Boxes, &d->bridge4Boxes,
                           &d->bridge5Boxes}[destination];
    }
    // Status option, local port and then per destination its four octets and its port.
    static QStringList shown(BridgeDialog *d)
    {
        QStringList out{d->bridgeEnabled->isChecked() ? "on" : d->bridgeDisabled->isChecked() ? "off" : "neither",
                        d->bridgeLocalPortBox->text()};
        for (int k = 0; k < 5; ++k) {
            for (QLineEdit *box : octets(d, k))
                out << box->text();
            out << d->bridgeRemotePortBoxes[k]->text();
        }
        return out;
    }
};

const QStringList kSampleShown{"on", "4001", "10", "0", "0", "1", "5001", "10", "0", "1", "2", "5002",
                               "10", "0", "2", "3", "5003", "10", "0", "3", "4", "5004", "10", "0", "4", "5", "5005"};

TEST_F(BridgeDialogTest, OpensModelessWithZeroOctetsEmptyPortsAndNoStatus)
{
    BridgeDialog *d = open();
    EXPECT_FALSE(d->isModal());
    QStringList empty{"neither", ""};
    for (int k = 0; k < 5; ++k)
        empty << "0" << "0" << "0" << "0" << "";
    EXPECT_EQ(shown(d), empty);
    EXPECT_EQ(d->bridge5Boxes[3]->maxLength(), 3);
    EXPECT_GT(d->bridgeRemotePortBoxes[4]->maxLength(), 10); // no limit of its own
}

TEST_F(BridgeDialogTest, EveryChangeStoresItsValueWithTheMarkersOfWhatDoesNotFit)
{
    BridgeDialog *d = open();
    QLineEdit *box = d->bridgeRemotePortBoxes[2];
    QList<qint32> stored;
    QObject::connect(box, &QLineEdit::textChanged, box, [&] { stored.append(h.state().bridgeRemotePorts[2]); });
    box->setFocus();
    QTest::keyClicks(box, "8000");
    EXPECT_EQ(stored, (QList<qint32>{8, 80, 800, 8000}));
    EXPECT_EQ(h.state().bridgeRemotePorts[1], 0);
    EXPECT_EQ(h.state().bridgeRemotePorts[3], 0);
    RetypeText(d->bridgeLocalPortBox, "4001");
    EXPECT_EQ(h.state().bridgeLocalPort, 4001);
    RetypeText(d->bridgeLocalPortBox, "");
    EXPECT_EQ(h.state().bridgeLocalPort, -1);
    RetypeText(d->bridge5Boxes[3], "");
    EXPECT_EQ(quint16(h.state().bridgeAddresses[4][3]), 65535);

    const struct {
        const char *text;
        qint16 octet; // stored by an octet box (texts longer than 3 characters are cut)
        qint32 port;  // stored by a port box
    } cases[] = {
        {"2.5", 2, 2},
        {"3.5", 4, 4},
        {"65535.5", 655, 65536}, // no range test on entry
        {"9e9", -1, -1},         // numeric, but beyond both stores
        {"2147483647", 214, 2147483647},
        {"2147483648", 214, -1},
        {"-2147483648", -21, -2147483647 - 1},
        {"1e9", -1, 1000000000},
        {"x", -1, -1},
        {"", -1, -1},
        {" 12 ", 12, 12},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        for (QLineEdit *box : {d->bridge2Boxes[1], d->bridgeLocalPortBox, d->bridgeRemotePortBoxes[4]}) {
            box->setText("1");
            box->setText(QString::fromLatin1(c.text));
        }
        EXPECT_EQ(h.state().bridgeAddresses[1][1], c.octet);
        EXPECT_EQ(h.state().bridgeLocalPort, c.port);
        EXPECT_EQ(h.state().bridgeRemotePorts[4], c.port);
    }
}

TEST_F(BridgeDialogTest, DownloadAsksTheDeviceAndTheReplyFillsEverythingReadingOnlyBitZeroOfTheStatus)
{
    BridgeDialog *d = open();
    d->downloadButton->click();
    EXPECT_EQ(h.endpoint.frames(), QList<QByteArray>{RequestBytes(110, Bytes({0xAA, 0xAA}))});

    h.endpoint.injectReply(110, SampleBridgeReply(0x01));
    EXPECT_EQ(shown(d), kSampleShown);
    EXPECT_EQ(h.state().bridgeLocalPort, 4001);
    EXPECT_EQ(h.state().bridgeRemotePorts, (std::array<qint32, 5>{5001, 5002, 5003, 5004, 5005}));
    EXPECT_EQ(h.state().bridgeAddresses[4], (std::array<qint16, 4>{10, 0, 4, 5}));
    const std::pair<int, bool> statuses[] = {{0x00, false}, {0x03, true}, {0xFE, false}, {0xFF, true}};
    for (const auto &[status, enabled] : statuses) {
        h.endpoint.injectReply(110, SampleBridgeReply(quint8(status)));
        EXPECT_EQ(d->bridgeEnabled->isChecked(), enabled) << status;
        EXPECT_EQ(d->bridgeDisabled->isChecked(), !enabled) << status;
    }
}

TEST_F(BridgeDialogTest, AShortReplyLeavesWhatLiesBeyondItsDataAsItWas)
{
    BridgeDialog *d = open();
    for (QLineEdit *box : d->findChildren<QLineEdit *>())
        box->setText("9");
    // Status, local port and half of remote port 1: the half word is not read.
    h.endpoint.injectReply(110, Bytes({0x01, 0x0F, 0xA1, 0x13}));
    EXPECT_EQ(shown(d), (QStringList{"on", "4001"} + QStringList(25, "9")));
    EXPECT_EQ(h.state().bridgeRemotePorts[0], 9);

    // Everything but the last address's last octet; then no data at all changes nothing.
    QByteArray data = SampleBridgeReply(0x00);
    data.chop(1);
    h.endpoint.injectReply(110, data);
    h.endpoint.injectReply(110, QByteArray());
    QStringList expected = kSampleShown;
    expected[0] = "off";
    expected[25] = "9";
    EXPECT_EQ(shown(d), expected);
}

TEST_F(BridgeDialogTest, AReplyWithoutAnOpenDialogCreatesItHiddenAndFilledAndZerosStillRewriteTheMirror)
{
    h.state().bridgeAddresses[0] = {1, 2, 3, 4};
    h.endpoint.injectReply(110, SampleBridgeReply(0x00));
    BridgeDialog *d = h.app().bridgeIfLoaded();
    ASSERT_NE(d, nullptr);
    EXPECT_FALSE(d->isVisible());
    EXPECT_TRUE(d->bridgeDisabled->isChecked());
    EXPECT_EQ(d->bridge5Boxes[3]->text(), "5");

    // Reopened, the dialog shows its first texts while the mirror keeps the values.
    ASSERT_TRUE(CloseAndWaitGone(d));
    d = open();
    EXPECT_EQ(shown(d)[1], "");
    EXPECT_EQ(shown(d)[2], "0");
    EXPECT_EQ(h.state().bridgeLocalPort, 4001);
    EXPECT_EQ(h.state().bridgeRemotePorts[3], 5004);
    EXPECT_EQ(h.state().bridgeAddresses[0], (std::array<qint16, 4>{10, 0, 0, 1}));
    h.endpoint.injectReply(110, QByteArray(33, '\0'));
    EXPECT_EQ(h.state().bridgeAddresses[0], (std::array<qint16, 4>{0, 0, 0, 0}));
    EXPECT_EQ(h.state().bridgeLocalPort, 0);
}

TEST_F(BridgeDialogTest, UploadSendsTheMirrorNotTheBoxesAfterTheLogout)
{
    BridgeDialog *d = open();
    d->bridgeEnabled->click();
    d->uploadButton->click();
    ASSERT_EQ(h.endpoint.frames(), QList<QByteArray>{kLogoutRequest});
    EXPECT_EQ(h.state().pendingWriteCode, 111);
    EXPECT_TRUE(h.app().deferredWriteTimer().isCounting());
    fireDeferredWrite();
    ASSERT_EQ(h.endpoint.frames().size(), 2);
    EXPECT_EQ(h.endpoint.frames()[1], RequestBytes(111, Bytes({1}) + QByteArray(32, '\0')));

    // Downloaded settings upload unchanged.
    h.endpoint.clearSent();
    h.endpoint.injectReply(110, SampleBridgeReply(0x01));
    d->uploadButton->click();
    fireDeferredWrite();
    ASSERT_EQ(h.endpoint.frames().size(), 2);
    EXPECT_EQ(h.endpoint.frames()[1], RequestBytes(111, SampleBridgeReply(0x01)));
    EXPECT_TRUE(h.messages.messages.isEmpty());
}

} // namespace
} // namespace qvx::test
