// "Upload selected device" and "Factory setting": checks in order, frames byte for byte.
#include "DiscoveryFixture.h"

#include <functional>

namespace qvx::test {
namespace {

struct Upload : DiscoveryTest {
    Upload()
    {
        answer();
        w.clickGridRow(1);
        h.endpoint.clearSent();
        h.messages.clear();
    }
    // The data bytes of the one upload frame sent.
    QByteArray uploadData()
    {
        const QByteArray frame = h.endpoint.sent.size() == 1 ? h.endpoint.sent[0].datagram : QByteArray();
        return frame.size() == 88 ? frame.mid(4, 82) : QByteArray();
    }
    void expectWarning(const QString &text) { EXPECT_EQ(h.messages.messages, Warning(text)); }
};

TEST_F(Upload, NothingLeavesBeforeARowIsClicked)
{
    state().deviceSelected = false;
    w.uploadSelectedButton->click();
    expectWarning("WARNING! First select a device");
    h.messages.clear();
    w.factorySettingButton->click();
    expectWarning("WARNING! First select a device ");
    EXPECT_TRUE(h.endpoint.sent.isEmpty());
}

TEST_F(Upload, TheUploadFrameCarriesEveryFieldInPlace)
{
    h.app().link().selectUnicastTarget(); // a programmer command re-aimed the endpoint meanwhile
    w.macAddressBoxes[5]->setText(QStringLiteral("5f")); // the new MAC may differ from the destination
    w.uploadSelectedButton->click();
    ASSERT_TRUE(h.messages.messages.isEmpty()) << h.messages.lastText().toStdString();
    ASSERT_EQ(h.endpoint.sent.size(), 1);
    EXPECT_EQ(h.endpoint.sent[0].host, "239.0.0.8");
    EXPECT_EQ(h.endpoint.sent[0].port, kDevicePort);
    EXPECT_EQ(h.endpoint.remoteHost(), "239.0.0.8") << "stays aimed at the group";

    const QByteArray data = Hex("001A2B3C4D5E"                               // destination
                                "001A2B3C4D5F"                               // new MAC
                                "0A0000FE" "FFFFFF00" "0A000001"             // IP, mask, gateway
                                "1000" "1001"                                // ports 4096, 4097
                                "04" "0CB2"                                  // 9600, 3250 us
                                "DD" "01"                                    // 7 bits odd 2 stop, timeout to default on
                                "01020304" "05060708" "090A0B0C" "0D0E0F10"  // sources
                                "01" "1388"                                  // bridge on, local port 5000
                                "1389138A138B138C138D"                       // remote ports 5001..5005
                                "C0A80101C0A80102C0A80103C0A80104C0A80105"); // bridge hosts
    ASSERT_EQ(data.size(), 82);
    quint8 sum = 108 + 82;
    for (char b : data)
        sum = quint8(sum + quint8(b));
    const QByteArray expected = QByteArray("<#") + char(0x6C) + char(0x52) + data + char(sum) + '>';
    EXPECT_EQ(h.endpoint.sent[0].datagram.toHex(' '), expected.toHex(' '));

    EXPECT_EQ(h.app().replyTimer().interval(), 2000);
    EXPECT_TRUE(h.app().replyTimer().isEnabled());
    EXPECT_TRUE(state().commandPending);
    EXPECT_FALSE(state().discoveryPending);
    EXPECT_TRUE(state().deviceSelected) << "the same device can be written again at once";
}

TEST_F(Upload, ValuesAcceptedAtTheirLimitsAreEncodedAsTheirBytes)
{
    const struct { const char *what; std::function<void(DiscoveryWindow &)> edit; int offset; QByteArray bytes; }
        cases[] = {
        {"octet 255", [](auto &f) { f.ipAddressBoxes[0]->setText("255"); }, 12, "\xFF"},
        {"octet 2.5 halves to even", [](auto &f) { f.gatewayBoxes[1]->setText("2.5"); }, 21, "\x02"},
        {"octet 3.5 halves to even", [](auto &f) { f.gatewayBoxes[0]->setText("3.5"); }, 20, "\x04"},
        {"octet with blanks", [](auto &f) { f.gatewayBoxes[2]->setText(" 7 "); }, 22, "\x07"},
        {"port -0.4 rounds to 0", [](auto &f) { f.remotePortBox->setText("-0.4"); }, 26, Bytes({0, 0})},
        {"port 4.5 halves to even", [](auto &f) { f.bridgeLocalPortBox->setText("4.5"); }, 50, Bytes({0, 4})},
        {"port 65535", [](auto &f) { f.localPortBox->setText("65535"); }, 24, "\xFF\xFF"},
        {"empty timeout", [](auto &f) { f.uartTimeoutBox->setText(""); }, 29, Bytes({0, 0})},
        {"timeout text", [](auto &f) { f.uartTimeoutBox->setText("12ab"); }, 29, Bytes({0, 12})},
        {"timeout 65535", [](auto &f) { f.uartTimeoutBox->setText("65535"); }, 29, "\xFF\xFF"},
        {"8 none 1", [](auto &f) { f.serialLists[1]->setCurrentIndex(1); f.serialLists[2]->setCurrentIndex(2);
                                   f.serialLists[3]->setCurrentIndex(0); }, 31, "\xC0"},
        {"8 even 1", [](auto &f) { f.serialLists[1]->setCurrentIndex(1); f.serialLists[2]->setCurrentIndex(1);
                                   f.serialLists[3]->setCurrentIndex(0); }, 31, "\xC4"},
        {"bridge off", [](auto &f) { f.bridgeDisabled->setChecked(true); }, 49, Bytes({0})},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        w.clickGridRow(1);
        h.endpoint.clearSent();
        h.messages.clear();
        c.edit(w);
        w.uploadSelectedDevice();
        EXPECT_TRUE(h.messages.messages.isEmpty()) << h.messages.lastText().toStdString();
        const QByteArray data = uploadData();
        ASSERT_EQ(data.size(), 82);
        EXPECT_EQ(data.mid(c.offset, c.bytes.size()).toHex(), c.bytes.toHex());
    }
}

TEST_F(Upload, EachFailingCheckShowsItsMessageInOrder)
{
    const auto neitherBridgeOption = [](auto &f) {
        for (QRadioButton *o : {f.bridgeEnabled, f.bridgeDisabled}) {
            o->setAutoExclusive(false);
            o->setChecked(false);
            o->setAutoExclusive(true);
        }
    };
    const struct { std::function<void(DiscoveryWindow &)> edit; const char *message; } cases[] = {
        {[&](auto &f) {
             f.macAddressBoxes[0]->setText("ZZ"); f.ipAddressBoxes[0]->clear(); f.bridge5Boxes[3]->clear(); neitherBridgeOption(f);
             f.serialLists[0]->setCurrentIndex(-1); f.serialLists[1]->setCurrentIndex(-1);
         }, "MAC Address Error"},
        {[](auto &f) { f.macAddressBoxes[3]->setText("G1"); }, "MAC Address Error"},
        {[](auto &f) { f.macAddressBoxes[5]->setText("7"); }, "MAC Address Error"},
        {[](auto &f) { f.ipAddressBoxes[2]->clear(); }, "IP Address Error"},
        {[](auto &f) { f.ipAddressBoxes[0]->setText("256"); }, "IP Address Error"},
        {[](auto &f) { f.ipAddressBoxes[3]->setText("1e3"); }, "IP Address Error"},
        {[](auto &f) { f.ipAddressBoxes[1]->setText("-1"); }, "IP Address Error"},
        {[](auto &f) { f.ipAddressBoxes[3]->setText("abc"); f.subnetMaskBoxes[0]->setText("300"); }, "IP Address Error"},
        {[](auto &f) { f.subnetMaskBoxes[0]->setText("300"); }, "Subnet Mask Error"},
        {[](auto &f) { f.gatewayBoxes[3]->setText("1.."); }, "Gateway Error"},
        {[](auto &f) { f.gatewayBoxes[0]->setText("-3"); }, "Gateway Error"},
        {[](auto &f) { f.localPortBox->setText("65536"); }, "Local port Error"},
        {[](auto &f) { f.localPortBox->setText("-1"); }, "Local port Error"},
        {[](auto &f) { f.remotePortBox->clear(); }, "Remote port Error"},
        {[](auto &f) { f.serialLists[0]->setCurrentIndex(-1); }, "Baudrate Error"},
        {[](auto &f) { f.serialLists[0]->setCurrentIndex(-1); f.serialLists[1]->setCurrentIndex(-1);
                       f.uartTimeoutBox->setText("70000"); }, "Baudrate Error"},
        {[](auto &f) { f.uartTimeoutBox->setText("65536"); }, "Timeout Error"},
        {[](auto &f) { f.uartTimeoutBox->setText("-1"); }, "Timeout Error"},
        {[](auto &f) { f.uartTimeoutBox->setText("1e9"); }, "Timeout Error"},
        {[](auto &f) { f.serialLists[1]->setCurrentIndex(-1); }, "Data Bits Error"},
        {[](auto &f) { f.serialLists[1]->setCurrentIndex(-1); f.serialLists[3]->setCurrentIndex(-1); }, "Data Bits Error"},
        {[](auto &f) { f.serialLists[2]->setCurrentIndex(-1); }, "Parity Bit Error"},
        {[](auto &f) { f.serialLists[3]->setCurrentIndex(-1); }, "Stop Bit Error"},
        {[](auto &f) { f.serialLists[4]->setCurrentIndex(-1); }, "Timeout to default serial parameter Error"},
        {[](auto &f) { f.source1Boxes[0]->setText("x"); }, "IP Source 1 Address Error"},
        {[](auto &f) { f.source3Boxes[1]->clear(); }, "IP Source 3 Address Error"},
        {[](auto &f) { f.source4Boxes[3]->setText("300"); }, "IP Source 4 Address Error"},
        {neitherBridgeOption, "Error! Modalità bridge non selezionata"},
        {[](auto &f) { f.bridgeLocalPortBox->setText("70000"); }, "Local Bridge port Error"},
        {[](auto &f) { f.bridgeRemotePortBoxes[0]->setText("-1"); }, "Remote Bridge 1 port Error"},
        {[](auto &f) { f.bridgeRemotePortBoxes[2]->clear(); }, "Remote Bridge 3 port Error"},
        {[](auto &f) { f.bridgeRemotePortBoxes[4]->setText("65536"); }, "Remote Bridge 5 port Error"},
        {[](auto &f) { f.bridge1Boxes[0]->clear(); }, "IP Bridge 1 Address Error"},
        {[](auto &f) { f.bridge3Boxes[2]->setText("-1"); }, "IP Bridge 3 Address Error"},
        {[](auto &f) { f.bridge5Boxes[3]->setText("999"); }, "IP Bridge 5 Address Error"},
    };
    int i = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << i++ << ": " << c.message);
        w.clickGridRow(1);
        if (!w.bridgeEnabled->isChecked() && !w.bridgeDisabled->isChecked())
            w.bridgeEnabled->setChecked(true);
        h.messages.clear();
        c.edit(w);
        w.uploadSelectedButton->click();
        expectWarning(QString::fromUtf8(c.message));
        EXPECT_TRUE(h.endpoint.sent.isEmpty());
        EXPECT_FALSE(state().commandPending);
        EXPECT_FALSE(h.app().replyTimer().isEnabled());
        EXPECT_TRUE(state().deviceSelected);
    }
}

TEST_F(Upload, FactorySettingSendsTheDestinationToTheGroup)
{
    h.app().link().selectUnicastTarget();
    w.macAddressBoxes[0]->setText("FF"); // the boxes do not matter here
    w.factorySettingButton->click();
    ASSERT_TRUE(h.messages.messages.isEmpty());
    ASSERT_EQ(h.endpoint.sent.size(), 1);
    EXPECT_EQ(h.endpoint.sent[0].datagram.toHex(' '), Hex("3C236D06001A2B3C4D5E9F3E").toHex(' '));
    EXPECT_EQ(h.endpoint.sent[0].host, "239.0.0.8");
    EXPECT_EQ(h.app().replyTimer().interval(), 2000);
    EXPECT_TRUE(h.app().replyTimer().isEnabled());
    EXPECT_TRUE(state().commandPending);
    EXPECT_FALSE(state().discoveryPending);
}

TEST_F(Upload, AFailedSendIsReportedAndNothingWaits)
{
    h.endpoint.failSend = true;
    for (QPushButton *button : {w.uploadSelectedButton, w.factorySettingButton, w.refreshButton}) {
        SCOPED_TRACE(button->objectName().toStdString());
        h.messages.clear();
        button->click();
        EXPECT_EQ(h.messages.messages,
                  (QList<ShownMessage>{{"Network is unreachable", "Errore 10051", MessageIcon::Exclamation}}));
        EXPECT_FALSE(state().commandPending);
        EXPECT_FALSE(state().discoveryPending);
        EXPECT_FALSE(h.app().replyTimer().isCounting());
    }
    EXPECT_NE(w.statusMessage->text(), "Searching...");
    EXPECT_EQ(state().gridRowCount, 1) << "the grid was emptied before the send";
}

} // namespace
} // namespace qvx::test
