#include "DialogTestSupport.h"

#include "dialogs/frm06Bridge.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

namespace qvx::test {
namespace {

class BridgeDialogTest : public ::testing::Test {
protected:
    BridgeDialogTest() : h(true, false) { h.endpoint.clearSent(); }

    frm06Bridge *openDialog()
    {
        frm06Bridge *dialog = h.app().bridge();
        dialog->show();
        return dialog;
    }
    static std::array<QLineEdit *, 4> &octets(frm06Bridge *d, int destination)
    {
        std::array<std::array<QLineEdit *, 4> *, 5> all{&d->txtBridgeIP1, &d->txtBridgeIP2, &d->txtBridgeIP3,
                                                        &d->txtBridgeIP4, &d->txtBridgeIP5};
        return *all[destination];
    }

    AppHarness h;
};

// Status, local port 4001, remote ports 5001..5005 and addresses 10.0.k.(k + 1).
QByteArray SampleBridgeReply(quint8 status)
{
    QByteArray data;
    data.append(char(status));
    data.append(Bytes({0x0F, 0xA1}));
    for (int k = 0; k < 5; ++k) {
        const int port = 5001 + k;
        data.append(char(port >> 8));
        data.append(char(port & 0xFF));
    }
    for (int k = 0; k < 5; ++k)
        data.append(Bytes({10, 0, k, k + 1}));
    return data;
}

TEST_F(BridgeDialogTest, OpensModelessWithItsDesignTextsNamesAndRowOrder)
{
    frm06Bridge *d = openDialog();
    EXPECT_EQ(d->windowTitle(), "Bridge IP destinations");
    EXPECT_FALSE(d->isModal());
    EXPECT_EQ(d->frmBridge->title(), " BRIDGE IP DESTINATIONS ");
    EXPECT_EQ(d->frmStatusB->title(), " STATUS BRIDGE ");
    EXPECT_EQ(d->lblLocalPortB->text(), "BRIDGE LOCAL PORT:");
    EXPECT_EQ(d->txtLocalPortB->text(), "");
    EXPECT_EQ(d->txtLocalPortB->accessibleName(), "BRIDGE LOCAL PORT");
    EXPECT_EQ(d->optEnableB->text(), "Enable");
    EXPECT_EQ(d->optDisableB->text(), "Disable");
    EXPECT_FALSE(d->optEnableB->isChecked());
    EXPECT_FALSE(d->optDisableB->isChecked());
    EXPECT_FALSE(d->optEnableB->accessibleName().isEmpty());
    EXPECT_FALSE(d->optDisableB->accessibleName().isEmpty());
    EXPECT_EQ(d->cmdDownloadBridgeIP->text(), "Download");
    EXPECT_EQ(d->cmdUploadBridgeIP->text(), "Upload");
    EXPECT_EQ(d->lblNote->text(), "If all bridge are to 0.0.0.0, tx ethernet is disabled");
    d->layout()->activate();

    for (int k = 0; k < 5; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(d->lblBridge[k]->text(), QStringLiteral("BRIDGE %1 -->").arg(k + 1));
        EXPECT_EQ(d->lblBridge[k]->objectName(), QStringLiteral("lblBridge_%1").arg(k));
        EXPECT_EQ(d->lblIPB[k]->text(), "IP-Address:");
        EXPECT_EQ(d->lblRemotePortB[k]->text(), "--> Remote Port:");
        EXPECT_EQ(d->txtRemotePortB[k]->objectName(), QStringLiteral("txtRemotePortB_%1").arg(k));
        EXPECT_EQ(d->txtRemotePortB[k]->accessibleName(), QStringLiteral("BRIDGE %1 Remote Port").arg(k + 1));
        EXPECT_EQ(d->txtRemotePortB[k]->text(), "");
        EXPECT_GT(d->txtRemotePortB[k]->maxLength(), 10); // no limit of its own

        // Left to right: caption, "IP-Address:", four octets, "--> Remote Port:", port box.
        QList<QWidget *> row{d->lblBridge[k], d->lblIPB[k]};
        for (int i = 0; i < 4; ++i) {
            QLineEdit *box = octets(d, k)[i];
            EXPECT_EQ(box->objectName(), QStringLiteral("txtBridgeIP%1_%2").arg(k + 1).arg(i));
            EXPECT_EQ(box->accessibleName(), QStringLiteral("BRIDGE %1 IP-Address: octet %2 of 4").arg(k + 1).arg(i + 1));
            EXPECT_EQ(box->text(), "0");
            EXPECT_EQ(box->maxLength(), 3);
            row.append(box);
        }
        row.append(d->lblRemotePortB[k]);
        row.append(d->txtRemotePortB[k]);
        for (int c = 1; c < row.size(); ++c)
            EXPECT_GT(row[c]->geometry().left(), row[c - 1]->geometry().right()) << c;
        if (k > 0) {
            EXPECT_GT(d->lblBridge[k]->geometry().top(), d->lblBridge[k - 1]->geometry().top());
        }
    }
    EXPECT_NE(d->findChild<QLineEdit *>("txtRemotePortB_4"), nullptr);
    EXPECT_NE(d->findChild<QLabel *>("lblBridge_0"), nullptr);
}

TEST_F(BridgeDialogTest, EveryKeystrokeStoresThePortTypedSoFar)
{
    frm06Bridge *d = openDialog();
    QLineEdit *box = d->txtRemotePortB[2];
    QList<qint32> stored;
    QObject::connect(box, &QLineEdit::textChanged, box, [&] { stored.append(h.state().BridgeRemotePort[2]); });
    box->setFocus();
    QTest::keyClicks(box, "8000");
    EXPECT_EQ(stored, (QList<qint32>{8, 80, 800, 8000}));
    EXPECT_EQ(h.state().BridgeRemotePort[1], 0);
    EXPECT_EQ(h.state().BridgeRemotePort[3], 0);
}

TEST_F(BridgeDialogTest, EmptiedBoxesStoreTheirMarkers)
{
    frm06Bridge *d = openDialog();
    RetypeText(d->txtLocalPortB, "4001");
    ASSERT_EQ(h.state().BridgeLocalPort, 4001);
    RetypeText(d->txtLocalPortB, "");
    EXPECT_EQ(h.state().BridgeLocalPort, -1);

    RetypeText(d->txtBridgeIP5[3], "");
    EXPECT_EQ(quint16(h.state().BridgeIP[4][3]), 65535);
    EXPECT_EQ(h.state().BridgeIP[4][2], 0);
}

TEST_F(BridgeDialogTest, ChangeRulesRoundHalvesToEvenAndMarkWhatDoesNotFitTheStore)
{
    const struct {
        const char *text;
        qint16 octet; // stored by an octet box (texts longer than 3 characters are cut)
        qint32 port;  // stored by a port box
    } cases[] = {
        {"2.5", 2, 2},
        {"3.5", 4, 4},
        {"65535.5", 655, 65536},  // no range test on entry
        {"9e9", -1, -1},          // numeric, but beyond both stores
        {"2147483647", 214, 2147483647},
        {"2147483648", 214, -1},
        {"-2147483648", -21, -2147483647 - 1},
        {"1e9", -1, 1000000000},
        {"x", -1, -1},
        {"", -1, -1},
        {" 12 ", 12, 12},
    };
    frm06Bridge *d = openDialog();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        const QString text = QString::fromLatin1(c.text);
        d->txtBridgeIP2[1]->setText("1");
        d->txtBridgeIP2[1]->setText(text);
        EXPECT_EQ(h.state().BridgeIP[1][1], c.octet);
        d->txtLocalPortB->setText("1");
        d->txtLocalPortB->setText(text);
        EXPECT_EQ(h.state().BridgeLocalPort, c.port);
        d->txtRemotePortB[4]->setText("1");
        d->txtRemotePortB[4]->setText(text);
        EXPECT_EQ(h.state().BridgeRemotePort[4], c.port);
    }
}

TEST_F(BridgeDialogTest, DownloadAsksTheDeviceForItsBridgeSettings)
{
    openDialog()->cmdDownloadBridgeIP->click();
    ASSERT_EQ(h.endpoint.frames().size(), 1);
    EXPECT_EQ(h.endpoint.frames()[0], RequestBytes(110, Bytes({0xAA, 0xAA})));
}

TEST_F(BridgeDialogTest, ReplyFillsEveryBoxAndTheStatusAndThroughThemTheVariables)
{
    frm06Bridge *d = openDialog();
    h.endpoint.injectReply(110, SampleBridgeReply(0x01));

    EXPECT_TRUE(d->optEnableB->isChecked());
    EXPECT_FALSE(d->optDisableB->isChecked());
    EXPECT_EQ(d->txtLocalPortB->text(), "4001");
    EXPECT_EQ(h.state().BridgeLocalPort, 4001);
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(d->txtRemotePortB[k]->text(), QString::number(5001 + k));
        EXPECT_EQ(h.state().BridgeRemotePort[k], 5001 + k);
        EXPECT_EQ(octets(d, k)[2]->text(), QString::number(k));
        EXPECT_EQ(h.state().BridgeIP[k], (std::array<qint16, 4>{10, 0, qint16(k), qint16(k + 1)}));
    }

    // Only bit 0 of the status byte counts.
    const struct {
        quint8 status;
        bool enabled;
    } statuses[] = {{0x00, false}, {0x03, true}, {0xFE, false}, {0xFF, true}};
    for (const auto &s : statuses) {
        h.endpoint.injectReply(110, SampleBridgeReply(s.status));
        EXPECT_EQ(d->optEnableB->isChecked(), s.enabled) << int(s.status);
        EXPECT_EQ(d->optDisableB->isChecked(), !s.enabled) << int(s.status);
    }
}

TEST_F(BridgeDialogTest, ReplyWithoutAnOpenDialogCreatesItHiddenAndFilled)
{
    ASSERT_EQ(h.app().bridgeIfLoaded(), nullptr);
    h.endpoint.injectReply(110, SampleBridgeReply(0x00));
    frm06Bridge *d = h.app().bridgeIfLoaded();
    ASSERT_NE(d, nullptr);
    EXPECT_FALSE(d->isVisible());
    EXPECT_TRUE(d->optDisableB->isChecked());
    EXPECT_EQ(d->txtBridgeIP5[3]->text(), "5");
    EXPECT_EQ(h.state().BridgeRemotePort[4], 5005);
}

TEST_F(BridgeDialogTest, ReplyOfZerosStillRewritesVariablesThatDifferFromTheZerosShown)
{
    h.state().BridgeIP[0] = {1, 2, 3, 4};
    openDialog();
    h.endpoint.injectReply(110, QByteArray(33, '\0'));
    EXPECT_EQ(h.state().BridgeIP[0], (std::array<qint16, 4>{0, 0, 0, 0}));
    EXPECT_EQ(h.state().BridgeLocalPort, 0);
}

TEST_F(BridgeDialogTest, ShortReplyLeavesWhatLiesBeyondItsDataAsItWas)
{
    frm06Bridge *d = openDialog();
    d->txtLocalPortB->setText("9");
    for (QLineEdit *port : d->txtRemotePortB)
        port->setText("9");
    d->txtBridgeIP1[0]->setText("9");

    // Status, local port and half of remote port 1: the half word is not read.
    h.endpoint.injectReply(110, Bytes({0x01, 0x0F, 0xA1, 0x13}));
    EXPECT_TRUE(d->optEnableB->isChecked());
    EXPECT_EQ(d->txtLocalPortB->text(), "4001");
    EXPECT_EQ(d->txtRemotePortB[0]->text(), "9");
    EXPECT_EQ(h.state().BridgeRemotePort[0], 9);
    EXPECT_EQ(d->txtBridgeIP1[0]->text(), "9");

    // Everything but the last address's last octet.
    QByteArray data = SampleBridgeReply(0x00);
    data.chop(1);
    d->txtBridgeIP5[3]->setText("9");
    h.endpoint.injectReply(110, data);
    EXPECT_EQ(d->txtBridgeIP5[2]->text(), "4");
    EXPECT_EQ(d->txtBridgeIP5[3]->text(), "9");

    // No data at all: nothing changes, not even the status.
    h.endpoint.injectReply(110, QByteArray());
    EXPECT_TRUE(d->optDisableB->isChecked());
}

TEST_F(BridgeDialogTest, ReopenedDialogShowsTheDesignTextsWhileTheVariablesKeepTheirs)
{
    frm06Bridge *d = openDialog();
    h.endpoint.injectReply(110, SampleBridgeReply(0x01));
    ASSERT_TRUE(CloseAndWaitGone(d));

    frm06Bridge *reopened = openDialog();
    EXPECT_EQ(reopened->txtLocalPortB->text(), "");
    EXPECT_EQ(reopened->txtRemotePortB[3]->text(), "");
    EXPECT_EQ(reopened->txtBridgeIP3[3]->text(), "0");
    EXPECT_FALSE(reopened->optEnableB->isChecked());
    EXPECT_FALSE(reopened->optDisableB->isChecked());
    EXPECT_EQ(h.state().BridgeLocalPort, 4001);
    EXPECT_EQ(h.state().BridgeRemotePort[3], 5004);
    EXPECT_EQ(h.state().BridgeIP[2], (std::array<qint16, 4>{10, 0, 2, 3}));
}

TEST_F(BridgeDialogTest, UploadWithUntouchedPortBoxesSendsTheStoredValuesNotTheEmptyBoxes)
{
    frm06Bridge *d = openDialog();
    d->optEnableB->click();
    d->cmdUploadBridgeIP->click();
    ASSERT_EQ(h.endpoint.frames(), (QList<QByteArray>{RequestBytes(103, Bytes({0xAA, 0xAA}))}));
    EXPECT_EQ(h.state().LastCommandCode, 111);
    EXPECT_TRUE(h.app().Timer4().isEnabled());

    FireDeferredWrite(h);
    QByteArray expected(33, '\0');
    expected[0] = 1;
    ASSERT_EQ(h.endpoint.frames().size(), 2);
    EXPECT_EQ(h.endpoint.frames()[1], RequestBytes(111, expected));
    EXPECT_TRUE(h.messages.messages.isEmpty());
}

TEST_F(BridgeDialogTest, DownloadedSettingsUploadUnchanged)
{
    frm06Bridge *d = openDialog();
    h.endpoint.injectReply(110, SampleBridgeReply(0x01));
    d->cmdUploadBridgeIP->click();
    FireDeferredWrite(h);
    ASSERT_EQ(h.endpoint.frames().size(), 2);
    EXPECT_EQ(h.endpoint.frames()[1], RequestBytes(111, SampleBridgeReply(0x01)));
}

} // namespace
} // namespace qvx::test
