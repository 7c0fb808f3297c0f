// "Upload selected device" and "Factory setting": checks in order, frames byte for byte.
#include "DiscoveryRig.h"

#include "protocol/Commands.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <functional>
#include <gtest/gtest.h>

namespace qvx::test {
namespace {

struct UploadTest : ::testing::Test {
    UploadTest() : w((rig.start(), rig.window()))
    {
        rig.endpoint.injectReply(CmdDiscovery, EncodeDiscoveryRecord(SampleDevice()));
        w.ClickGridRow(1);
        rig.endpoint.clearSent();
        rig.messages.clear();
    }

    // The data bytes of the one upload frame sent.
    QByteArray uploadData()
    {
        if (rig.endpoint.sent.size() != 1)
            return {};
        const QByteArray frame = rig.endpoint.sent[0].datagram;
        return frame.size() == 88 ? frame.mid(4, 82) : QByteArray();
    }

    DiscoveryRig rig;
    frm03Discovery &w;
};

TEST_F(UploadTest, NothingLeavesBeforeARowIsClicked)
{
    rig.state().DeviceSelected = false;
    w.cmdNetSet->click();
    w.cmdFactory->click();
    ASSERT_EQ(rig.messages.messages.size(), 2);
    EXPECT_EQ(rig.messages.messages[0].text, QStringLiteral("WARNING! First select a device"));
    EXPECT_EQ(rig.messages.messages[1].text, QStringLiteral("WARNING! First select a device "));
    for (const ShownMessage &m : rig.messages.messages) {
        EXPECT_EQ(m.title, QStringLiteral("Message Warning"));
        EXPECT_EQ(m.icon, MessageIcon::Exclamation);
    }
    EXPECT_TRUE(rig.endpoint.sent.isEmpty());
}

TEST_F(UploadTest, TheUploadFrameCarriesEveryFieldInPlace)
{
    rig.ctx->link().SelectUnicastTarget(); // a programmer command re-aimed the endpoint meanwhile
    w.txtMac[5]->setText(QStringLiteral("5f")); // the new MAC may differ from the destination
    w.cmdNetSet->click();

    ASSERT_TRUE(rig.messages.messages.isEmpty()) << rig.messages.lastText().toStdString();
    ASSERT_EQ(rig.endpoint.sent.size(), 1);
    EXPECT_EQ(rig.endpoint.sent[0].host, QStringLiteral("239.0.0.8"));
    EXPECT_EQ(rig.endpoint.sent[0].port, kDevicePort);
    EXPECT_EQ(rig.endpoint.remoteHost(), QStringLiteral("239.0.0.8")) << "stays aimed at the group";

    const QByteArray data = QByteArray::fromHex(
        "001A2B3C4D5E"                                 // destination
        "001A2B3C4D5F"                                 // new MAC
        "0A0000FE" "FFFFFF00" "0A000001"               // IP, mask, gateway
        "1000" "1001"                                  // ports 4096, 4097
        "04" "0CB2"                                    // 9600, 3250 us
        "DD" "01"                                      // 7 bits odd 2 stop, timeout to default on
        "01020304" "05060708" "090A0B0C" "0D0E0F10"    // sources
        "01" "1388"                                    // bridge on, local port 5000
        "1389138A138B138C138D"                         // remote ports 5001..5005
        "C0A80101C0A80102C0A80103C0A80104C0A80105");   // bridge hosts
    ASSERT_EQ(data.size(), 82);
    quint8 sum = 108 + 82;
    for (char b : data)
        sum = quint8(sum + quint8(b));
    const QByteArray expected = QByteArray("<#") + char(0x6C) + char(0x52) + data + char(sum) + '>';
    ASSERT_EQ(rig.endpoint.sent[0].datagram.size(), 88);
    EXPECT_EQ(rig.endpoint.sent[0].datagram.toHex(' '), expected.toHex(' '));

    EXPECT_EQ(rig.ctx->Timer1().interval(), 2000);
    EXPECT_TRUE(rig.ctx->Timer1().isEnabled());
    EXPECT_TRUE(rig.state().CommandPending);
    EXPECT_FALSE(rig.state().DiscoveryPending);
    EXPECT_TRUE(rig.state().DeviceSelected) << "the same device can be written again at once";
}

TEST_F(UploadTest, ValuesAcceptedAtTheirLimitsAreEncodedAsWords)
{
    struct Case {
        const char *what;
        std::function<void(frm03Discovery &)> edit;
        int offset;
        QByteArray bytes;
    };
    const QList<Case> cases{
        {"octet 255", [](frm03Discovery &f) { f.txtIP[0]->setText("255"); }, 12, "\xFF"},
        {"octet 2.5 halves to even", [](frm03Discovery &f) { f.txtGwy[1]->setText("2.5"); }, 21, "\x02"},
        {"octet 3.5 halves to even", [](frm03Discovery &f) { f.txtGwy[0]->setText("3.5"); }, 20, "\x04"},
        {"octet with blanks", [](frm03Discovery &f) { f.txtGwy[2]->setText(" 7 "); }, 22, "\x07"},
        {"port -0.4 rounds to 0", [](frm03Discovery &f) { f.txtRemotePort->setText("-0.4"); }, 26, QByteArray(2, '\0')},
        {"port 4.5 halves to even", [](frm03Discovery &f) { f.txtLocalPB->setText("4.5"); }, 50, QByteArray("\x00\x04", 2)},
        {"port 65535", [](frm03Discovery &f) { f.txtLocalPort->setText("65535"); }, 24, "\xFF\xFF"},
        {"port 4096", [](frm03Discovery &f) { f.txtRemotePort->setText("4096"); }, 26, QByteArray("\x10\x00", 2)},
        {"empty timeout", [](frm03Discovery &f) { f.txtTimeOut->setText(""); }, 29, QByteArray(2, '\0')},
        {"timeout text", [](frm03Discovery &f) { f.txtTimeOut->setText("12ab"); }, 29, QByteArray("\x00\x0C", 2)},
        {"timeout 65535", [](frm03Discovery &f) { f.txtTimeOut->setText("65535"); }, 29, "\xFF\xFF"},
        {"8 none 1", [](frm03Discovery &f) {
             f.cmbRecord[1]->setCurrentIndex(1);
             f.cmbRecord[2]->setCurrentIndex(2);
             f.cmbRecord[3]->setCurrentIndex(0);
         }, 31, "\xC0"},
        {"8 even 1", [](frm03Discovery &f) {
             f.cmbRecord[1]->setCurrentIndex(1);
             f.cmbRecord[2]->setCurrentIndex(1);
             f.cmbRecord[3]->setCurrentIndex(0);
         }, 31, "\xC4"},
        {"bridge off", [](frm03Discovery &f) { f.optDisableB->setChecked(true); }, 49, QByteArray(1, '\0')},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        w.ClickGridRow(1);
        rig.endpoint.clearSent();
        c.edit(w);
        w.cmdNetSet_Click();
        EXPECT_TRUE(rig.messages.messages.isEmpty()) << rig.messages.lastText().toStdString();
        const QByteArray data = uploadData();
        ASSERT_EQ(data.size(), 82);
        EXPECT_EQ(data.mid(c.offset, c.bytes.size()).toHex(), c.bytes.toHex());
        rig.messages.clear();
    }
}

TEST_F(UploadTest, EachFailingCheckShowsItsMessageInOrder)
{
    struct Case {
        std::function<void(frm03Discovery &)> edit;
        const char *message;
    };
    const auto neitherBridgeOption = [](frm03Discovery &f) {
        for (QRadioButton *o : {f.optEnableB, f.optDisableB}) {
            o->setAutoExclusive(false);
            o->setChecked(false);
            o->setAutoExclusive(true);
        }
    };
    const QList<Case> cases{
        {[&](frm03Discovery &f) {
             f.txtMac[0]->setText("ZZ");
             f.txtIP[0]->clear();
             f.cmbRecord[0]->setCurrentIndex(-1);
             f.cmbRecord[1]->setCurrentIndex(-1);
             f.txtIPB5[3]->clear();
             neitherBridgeOption(f);
         }, "MAC Address Error"},
        {[](frm03Discovery &f) { f.txtMac[3]->setText("G1"); }, "MAC Address Error"},
        {[](frm03Discovery &f) { f.txtMac[5]->setText("7"); }, "MAC Address Error"},
        {[](frm03Discovery &f) { f.txtIP[2]->clear(); }, "IP Address Error"},
        {[](frm03Discovery &f) { f.txtIP[0]->setText("256"); }, "IP Address Error"},
        {[](frm03Discovery &f) { f.txtIP[3]->setText("1e3"); }, "IP Address Error"},
        {[](frm03Discovery &f) { f.txtIP[1]->setText("-1"); }, "IP Address Error"},
        {[](frm03Discovery &f) {
             f.txtIP[3]->setText("abc");
             f.txtMask[0]->setText("300");
         }, "IP Address Error"},
        {[](frm03Discovery &f) { f.txtMask[0]->setText("300"); }, "Subnet Mask Error"},
        {[](frm03Discovery &f) { f.txtGwy[3]->setText("1.."); }, "Gateway Error"},
        {[](frm03Discovery &f) { f.txtGwy[0]->setText("-3"); }, "Gateway Error"},
        {[](frm03Discovery &f) { f.txtLocalPort->setText("65536"); }, "Local port Error"},
        {[](frm03Discovery &f) { f.txtLocalPort->setText("-1"); }, "Local port Error"},
        {[](frm03Discovery &f) { f.txtRemotePort->clear(); }, "Remote port Error"},
        {[](frm03Discovery &f) { f.cmbRecord[0]->setCurrentIndex(-1); }, "Baudrate Error"},
        {[](frm03Discovery &f) {
             f.cmbRecord[0]->setCurrentIndex(-1);
             f.txtTimeOut->setText("70000");
             f.cmbRecord[1]->setCurrentIndex(-1);
         }, "Baudrate Error"},
        {[](frm03Discovery &f) { f.txtTimeOut->setText("65536"); }, "Timeout Error"},
        {[](frm03Discovery &f) { f.txtTimeOut->setText("-1"); }, "Timeout Error"},
        {[](frm03Discovery &f) { f.txtTimeOut->setText("1e9"); }, "Timeout Error"},
        {[](frm03Discovery &f) { f.cmbRecord[1]->setCurrentIndex(-1); }, "Data Bits Error"},
        {[](frm03Discovery &f) {
             f.cmbRecord[1]->setCurrentIndex(-1);
             f.cmbRecord[3]->setCurrentIndex(-1);
         }, "Data Bits Error"},
        {[](frm03Discovery &f) { f.cmbRecord[2]->setCurrentIndex(-1); }, "Parity Bit Error"},
        {[](frm03Discovery &f) { f.cmbRecord[3]->setCurrentIndex(-1); }, "Stop Bit Error"},
        {[](frm03Discovery &f) { f.cmbRecord[4]->setCurrentIndex(-1); }, "Timeout to default serial parameter Error"},
        {[](frm03Discovery &f) { f.txtSource1[0]->setText("x"); }, "IP Source 1 Address Error"},
        {[](frm03Discovery &f) { f.txtSource3[1]->clear(); }, "IP Source 3 Address Error"},
        {[](frm03Discovery &f) { f.txtSource4[3]->setText("300"); }, "IP Source 4 Address Error"},
        {neitherBridgeOption, "Error! Modalità bridge non selezionata"},
        {[](frm03Discovery &f) { f.txtLocalPB->setText("70000"); }, "Local Bridge port Error"},
        {[](frm03Discovery &f) { f.txtRemotePB[0]->setText("-1"); }, "Remote Bridge 1 port Error"},
        {[](frm03Discovery &f) { f.txtRemotePB[2]->clear(); }, "Remote Bridge 3 port Error"},
        {[](frm03Discovery &f) { f.txtRemotePB[4]->setText("65536"); }, "Remote Bridge 5 port Error"},
        {[](frm03Discovery &f) { f.txtIPB1[0]->clear(); }, "IP Bridge 1 Address Error"},
        {[](frm03Discovery &f) { f.txtIPB3[2]->setText("-1"); }, "IP Bridge 3 Address Error"},
        {[](frm03Discovery &f) { f.txtIPB5[3]->setText("999"); }, "IP Bridge 5 Address Error"},
    };
    for (int i = 0; i < cases.size(); ++i) {
        const Case &c = cases[i];
        SCOPED_TRACE(testing::Message() << "case " << i << ": " << c.message);
        w.ClickGridRow(1);
        if (!w.optEnableB->isChecked() && !w.optDisableB->isChecked())
            w.optEnableB->setChecked(true);
        rig.ctx->link().StopReplyWait();
        rig.messages.clear();
        rig.endpoint.clearSent();

        c.edit(w);
        w.cmdNetSet->click();
        ASSERT_EQ(rig.messages.messages.size(), 1);
        EXPECT_EQ(rig.messages.messages[0].text, QString::fromUtf8(c.message));
        EXPECT_EQ(rig.messages.messages[0].title, QStringLiteral("Message Warning"));
        EXPECT_EQ(rig.messages.messages[0].icon, MessageIcon::Exclamation);
        EXPECT_TRUE(rig.endpoint.sent.isEmpty());
        EXPECT_FALSE(rig.state().CommandPending);
        EXPECT_FALSE(rig.ctx->Timer1().isEnabled());
        EXPECT_TRUE(rig.state().DeviceSelected);
    }
}

TEST_F(UploadTest, FactorySettingSendsTheDestinationToTheGroup)
{
    rig.ctx->link().SelectUnicastTarget();
    w.txtMac[0]->setText("FF"); // the boxes do not matter here
    w.cmdFactory->click();
    ASSERT_TRUE(rig.messages.messages.isEmpty());
    ASSERT_EQ(rig.endpoint.sent.size(), 1);
    EXPECT_EQ(rig.endpoint.sent[0].datagram.toHex(' '), QByteArray::fromHex("3C236D06001A2B3C4D5E9F3E").toHex(' '));
    EXPECT_EQ(rig.endpoint.sent[0].host, QStringLiteral("239.0.0.8"));
    EXPECT_EQ(rig.ctx->Timer1().interval(), 2000);
    EXPECT_TRUE(rig.ctx->Timer1().isEnabled());
    EXPECT_TRUE(rig.state().CommandPending);
    EXPECT_FALSE(rig.state().DiscoveryPending);
}

TEST_F(UploadTest, AFailedSendIsReportedAndNothingWaits)
{
    rig.endpoint.failSend = true;
    for (QPushButton *button : {w.cmdNetSet, w.cmdFactory}) {
        SCOPED_TRACE(button->objectName().toStdString());
        rig.messages.clear();
        button->click();
        ASSERT_EQ(rig.messages.messages.size(), 1);
        EXPECT_EQ(rig.messages.messages[0].title, QStringLiteral("Errore 10051"));
        EXPECT_EQ(rig.messages.messages[0].text, QStringLiteral("Network is unreachable"));
        EXPECT_EQ(rig.messages.messages[0].icon, MessageIcon::Exclamation);
        EXPECT_FALSE(rig.state().CommandPending);
        EXPECT_FALSE(rig.ctx->Timer1().isEnabled());
    }
}

} // namespace
} // namespace qvx::test
