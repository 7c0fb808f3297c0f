#include "DialogTestSupport.h"

#include "dialogs/BridgeDialog.h"

namespace qvx::test {
namespace {

// Status, local port 4001, remote ports 5001..5005 and addresses 10.0.k.(k + 1).
QByteArray SampleBridgeReply(quint8 status)
{
    return Bytes({status}) + Hex("0FA1" "1389" "138A" "138B" "138C" "138D"
                                 "0A000001" "0A000102" "0A000203" "0A000304" "0A000405");
}

struct BridgeDialogTest : DialogTest {
    BridgeDialog *d = open(h.app().bridge());
    QLineEdit *box(const QString &name) { return Find<QLineEdit>(d, name); }
    QLineEdit *octet(int destination, int i) { return box(QStringLiteral("txtBridgeIP%1_%2").arg(destination).arg(i)); }
    QLineEdit *remotePort(int destination) { return box(QStringLiteral("txtRemotePortB_%1").arg(destination - 1)); }
    QRadioButton *enable() { return Find<QRadioButton>(d, "optEnableB"); }
    QRadioButton *disable() { return Find<QRadioButton>(d, "optDisableB"); }
    QPushButton *upload() { return Find<QPushButton>(d, "cmdUploadBridgeIP"); }
    // Status, local port, then per destination its address and its port.
    QString shown()
    {
        QStringList out{enable()->isChecked() ? "on" : disable()->isChecked() ? "off" : "neither",
                        box("txtLocalPortB")->text()};
        for (int k = 1; k <= 5; ++k)
            out << Dotted<QLineEdit>(d, QStringLiteral("txtBridgeIP%1").arg(k)) + ":" + remotePort(k)->text();
        return out.join(' ');
    }
};

TEST_F(BridgeDialogTest, TheReplyFillsEverythingItCoversReadingOnlyBitZeroOfTheStatus)
{
    EXPECT_EQ(shown(), "neither  0.0.0.0: 0.0.0.0: 0.0.0.0: 0.0.0.0: 0.0.0.0:");
    Find<QPushButton>(d, "cmdDownloadBridgeIP")->click();
    EXPECT_EQ(h.endpoint.frames(), QList<QByteArray>{RequestBytes(110, Bytes({0xAA, 0xAA}))});
    const QString sample = "4001 10.0.0.1:5001 10.0.1.2:5002 10.0.2.3:5003 10.0.3.4:5004 10.0.4.5:5005";
    const std::pair<quint8, const char *> statuses[] = {{0x01, "on"}, {0x00, "off"}, {0x03, "on"}, {0xFE, "off"}};
    for (const auto &[status, shownStatus] : statuses) {
        h.endpoint.injectReply(110, SampleBridgeReply(status));
        EXPECT_EQ(shown(), QString::fromLatin1(shownStatus) + " " + sample) << int(status);
    }
    // Status, local port and half of remote port 1: the half word is not read.
    for (QLineEdit *b : d->findChildren<QLineEdit *>())
        b->setText("9");
    h.endpoint.injectReply(110, Bytes({0x01, 0x0F, 0xA2, 0x13}));
    EXPECT_EQ(shown(), "on 4002 9.9.9.9:9 9.9.9.9:9 9.9.9.9:9 9.9.9.9:9 9.9.9.9:9");
    // Everything but the last octet.
    h.endpoint.injectReply(110, SampleBridgeReply(0x00).chopped(1));
    EXPECT_EQ(shown(), "off 4001 10.0.0.1:5001 10.0.1.2:5002 10.0.2.3:5003 10.0.3.4:5004 10.0.4.9:5005");
}

TEST_F(BridgeDialogTest, UploadSendsPortsHighByteFirstAndTheStatusOfTheOption)
{
    box("txtLocalPortB")->setText("4660");
    const char *ports[] = {"65535", "0", "256", "255", "4096"};
    const char *ips[] = {"192.168.0.2", "0.0.0.0", "255.255.255.255", "10.1.2.3", "0.0.0.1"};
    for (int k = 1; k <= 5; ++k) {
        remotePort(k)->setText(ports[k - 1]);
        const QStringList parts = QString::fromLatin1(ips[k - 1]).split('.');
        for (int i = 0; i < 4; ++i)
            octet(k, i)->setText(parts[i]);
    }
    const QByteArray tail = Bytes({0x12, 0x34,                                                  // local port
                                   0xFF, 0xFF, 0x00, 0x00, 0x01, 0x00, 0x00, 0xFF, 0x10, 0x00, // remote ports
                                   192, 168, 0, 2, 0, 0, 0, 0, 255, 255, 255, 255, 10, 1, 2, 3, 0, 0, 0, 1});
    EXPECT_EQ(pressAndWrite(upload()), (QList<QByteArray>{kLogoutRequest, RequestBytes(111, Bytes({0}) + tail)}));
    enable()->click();
    EXPECT_EQ(pressAndWrite(upload()), (QList<QByteArray>{kLogoutRequest, RequestBytes(111, Bytes({1}) + tail)}));
    disable()->click();
    EXPECT_EQ(pressAndWrite(upload()), (QList<QByteArray>{kLogoutRequest, RequestBytes(111, Bytes({0}) + tail)}));
    EXPECT_TRUE(h.messages.messages.isEmpty());
}

// The checks in their order; what does not fit is refused with nothing but the logout sent.
TEST_F(BridgeDialogTest, UploadNamesTheFirstFieldThatDoesNotFit)
{
    const struct { std::function<void(BridgeDialogTest &)> set; const char *message; } cases[] = {
        {[](BridgeDialogTest &t) { t.box("txtLocalPortB")->setText(""); t.remotePort(1)->setText("x"); },
         "Local port Error"},
        {[](BridgeDialogTest &t) { t.box("txtLocalPortB")->setText("65536"); }, "Local port Error"},
        {[](BridgeDialogTest &t) { t.remotePort(2)->setText("65536"); }, "Remote port 2 Error"},
        {[](BridgeDialogTest &t) { t.remotePort(3)->setText("-1"); t.remotePort(4)->setText("70000"); t.octet(1, 0)->setText("300"); },
         "Remote port 3 Error"},
        {[](BridgeDialogTest &t) { t.octet(1, 2)->setText(""); }, "Bridge 1 IP-Address Error"},
        {[](BridgeDialogTest &t) { t.octet(3, 3)->setText("256"); t.octet(5, 0)->setText("-1"); },
         "Bridge 3 IP-Address Error"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.message);
        h.endpoint.injectReply(110, SampleBridgeReply(0x01)); // every field acceptable
        c.set(*this);
        EXPECT_EQ(pressAndWrite(upload()), QList<QByteArray>{kLogoutRequest});
        expectWarning(c.message);
    }
}

TEST_F(BridgeDialogTest, ClosedDuringTheWaitItSendsWhatItShowedAtThePress)
{
    h.endpoint.injectReply(110, SampleBridgeReply(0x01));
    upload()->click();
    octet(1, 0)->setText("77");
    ASSERT_TRUE(CloseAndWaitGone(d));
    fireDeferredWrite();
    EXPECT_EQ(h.endpoint.frames(), (QList<QByteArray>{kLogoutRequest, RequestBytes(111, SampleBridgeReply(0x01))}));

    // While it is open, what it shows when the write is due.
    d = open(h.app().bridge());
    h.endpoint.injectReply(110, SampleBridgeReply(0x01));
    h.endpoint.clearSent();
    upload()->click();
    disable()->click();
    fireDeferredWrite();
    EXPECT_EQ(h.endpoint.frames(), (QList<QByteArray>{kLogoutRequest, RequestBytes(111, SampleBridgeReply(0x00))}));
}

} // namespace
} // namespace qvx::test
