#include "ProgrammerFixture.h"

namespace qvx::test {
namespace {

const QByteArray kLogoutFrame = Hex("3C236702AAAABD3E");

using Commands = ProgrammerTest;

TEST_F(Commands, DownloadSendsStatusThenDownloadAndLogoutWaitsForTheAnswer)
{
    w().downloadButton->click();
    EXPECT_EQ(h.endpoint.frames(), (QList<QByteArray>{Hex("3C236602AAAABC3E"), Hex("3C236102AAAAB73E")}));
    EXPECT_TRUE(state().commandPending);
    EXPECT_EQ(h.app().replyTimer().interval(), 2000);
    EXPECT_TRUE(h.app().replyTimer().isCounting());

    h.endpoint.clearSent();
    w().logoutButton->setEnabled(true);
    QTest::mouseClick(w().logoutButton, Qt::LeftButton);
    EXPECT_EQ(h.endpoint.frames(), QList<QByteArray>{kLogoutFrame});
    EXPECT_TRUE(w().logoutButton->isEnabled()); // the window changes only when the device answers
}

TEST_F(Commands, BaudChangeOnTheFlyWaitsForNoReply)
{
    w().baudOnTheFlyButton->click(); // nothing selected yet: the stored index (0) and the default format
    w().baudRateList->setCurrentIndex(7);
    for (QRadioButton *o : {w().sevenDataBits, w().oddParity, w().twoStopBits}) // 7 bit, odd, 2 stop bits
        o->click();
    w().baudOnTheFlyButton->click();
    w().evenParity->click(); // even
    w().eightDataBits->click(); // 8 bit
    w().baudOnTheFlyButton->click();
    EXPECT_EQ(h.endpoint.frames(), (QList<QByteArray>{RequestBytes(104, Bytes({0x00, 0xC0})),
                                                      RequestBytes(104, Bytes({0x07, 0xDD})),
                                                      RequestBytes(104, Bytes({0x07, 0xD4}))}));
    EXPECT_FALSE(state().commandPending);
    EXPECT_FALSE(h.app().replyTimer().isCounting());
}

// Each write: the logout at once, the write itself 2000 ms later when the write timer fires.
TEST_F(Commands, WritesLogOutNowAndWriteWhenTheWriteTimerFires)
{
    fillValidSettings();
    w().setWriteButtonsEnabled(true);
    const std::pair<QPushButton *, int> writes[] = {{w().uploadButton, 98}, {w().setDefaultButton, 99},
                                                    {w().macAutomaticButton, 112}};
    for (const auto &[button, code] : writes) {
        SCOPED_TRACE(code);
        h.endpoint.clearSent();
        button->click();
        EXPECT_EQ(h.endpoint.frames(), QList<QByteArray>{kLogoutFrame});
        EXPECT_EQ(state().pendingWriteCode, code);
        EXPECT_EQ(h.app().deferredWriteTimer().interval(), 2000);
        EXPECT_TRUE(h.app().deferredWriteTimer().isCounting());
        EXPECT_TRUE(button->isEnabled());

        w().sendDeferredWrite();
        EXPECT_FALSE(h.app().deferredWriteTimer().isEnabled());
        ASSERT_EQ(h.endpoint.sent.size(), 2);
        const std::optional<Frame> write = recognizeRequest(h.endpoint.sent[1].datagram);
        ASSERT_TRUE(write.has_value());
        EXPECT_EQ(write->cmd, code);
        EXPECT_TRUE(code == 98 || write->data == simpleCommandData());
        EXPECT_TRUE(state().commandPending);
        EXPECT_EQ(state().pendingWriteCode, code); // not reset
    }
}

TEST_F(Commands, UploadCarriesEveryFieldByteForByte)
{
    const QStringList mac{"00", "1A", "2B", "3C", "4D", "5E"}, ip{"192", "168", "1", "10"},
        mask{"255", "255", "255", "0"}, gw{"192", "168", "1", "1"}, server{"10", "0", "0", "2.5"};
    for (int i = 0; i < 6; ++i)
        w().macAddressBoxes[i]->setText(mac[i]);
    for (int i = 0; i < 4; ++i) {
        w().ipAddressBoxes[i]->setText(ip[i]);
        w().subnetMaskBoxes[i]->setText(mask[i]);
        w().gatewayBoxes[i]->setText(gw[i]);
        w().tcpServerAddressBoxes[i]->setText(server[i]);
    }
    w().localPortBox->setText(QStringLiteral("4096"));
    w().remotePortBox->setText(QStringLiteral("65535"));
    w().baudRateList->setCurrentIndex(4); // "9600": automatic timeout 3250
    for (QRadioButton *o : {w().sevenDataBits, w().oddParity, w().twoStopBits, w().timeoutToDefaultOff, w().tcpRoleButtons[1], w().protocolButtons[0],
                            w().dhcpButtons[1]})
        o->click();

    w().setWriteButtonsEnabled(true);
    w().uploadButton->click();
    w().sendDeferredWrite();
    ASSERT_EQ(h.endpoint.sent.size(), 2);
    EXPECT_EQ(h.endpoint.sent[1].host, "192.168.0.1");
    const QByteArray expected = Bytes({0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, // MAC
                                       192,  168,  1,    10,               // IP
                                       255,  255,  255,  0,                // mask
                                       192,  168,  1,    1,                // gateway
                                       0x10, 0x00, 0xFF, 0xFF,             // ports
                                       0x04, 0x0C, 0xB2,                   // baud, timeout
                                       0xDD, 0x00, 0x50,                   // format, enable, mode
                                       10,   0,    0,    2,                // server (2.5 rounds to 2)
                                       0x00});
    EXPECT_EQ(h.endpoint.sent[1].datagram.toHex(' '), RequestBytes(98, expected).toHex(' '));

    // The defaults: format 0xC0, "Enable" 1, no mode flag; no server address (a device that
    // reports none leaves all four boxes empty) is 0.0.0.0.
    for (QRadioButton *o : {w().eightDataBits, w().noParity, w().oneStopBit, w().timeoutToDefaultOn, w().tcpRoleButtons[0], w().dhcpButtons[0]})
        o->click();
    for (QLineEdit *box : w().tcpServerAddressBoxes)
        box->clear();
    w().uploadButton->click();
    w().sendDeferredWrite();
    ASSERT_EQ(h.endpoint.sent.size(), 4);
    EXPECT_EQ(h.endpoint.sent[3].datagram.mid(4 + 25, 7), Bytes({0xC0, 0x01, 0x00, 0, 0, 0, 0}));
}

// Values that do not fit their bytes are refused at the click and again when the write
// timer fires, and no settings leave either time.
TEST_F(Commands, UploadRefusesValuesThatDoNotFitTheirBytes)
{
    const struct { const char *box, *text, *field; } cases[] = {
        {"txtUDPLocalPort", "65536", "Device Local Port Number Error"},
        {"txtUDPLocalPort", "99999999999", "Device Local Port Number Error"},
        {"txtUDPRemotePort", "1e300", "Device Remote Port Number Error"},
        {"txtUARTTimeout", "70000", "Device UART RX Timeout Error"},
        {"txtIPAddress_1", "256", "Device IP-Address Error"},
        {"txtIPAddress_3", "1e300", "Device IP-Address Error"},
        {"txtSubnetMask_0", "-1", "Device Subnet Mask Error"},
        {"txtGateway_2", "300", "Device Gateway Error"},
        {"txtMacAddress_3", "ZZ", "Device Mac-Address Error"},
        {"txtTcpServer_0", "", "Server remote IP-Address Error"},
        {"txtTcpServer_1", "abc", "Server remote IP-Address Error"},
        {"txtTcpServer_2", "12abc", "Server remote IP-Address Error"},
        {"txtTcpServer_3", "256", "Server remote IP-Address Error"},
    };
    w().manualUartTimeout->click();
    w().setWriteButtonsEnabled(true);
    for (const auto &c : cases) {
        for (bool atTheClick : {true, false}) {
            SCOPED_TRACE(testing::Message() << c.box << " = " << c.text << (atTheClick ? " at the click" : " later"));
            fillValidSettings();
            w().uartTimeoutBox->setText(QStringLiteral("1000"));
            h.endpoint.clearSent();
            h.messages.clear();
            auto *box = w().findChild<QLineEdit *>(QString::fromLatin1(c.box));
            ASSERT_NE(box, nullptr);
            if (atTheClick)
                box->setText(QString::fromLatin1(c.text));
            w().uploadButton->click();
            if (!atTheClick) {
                ASSERT_EQ(h.endpoint.frames(), QList<QByteArray>{kLogoutFrame});
                box->setText(QString::fromLatin1(c.text));
                w().sendDeferredWrite();
            }
            ASSERT_EQ(h.messages.messages.size(), 1);
            EXPECT_EQ(h.messages.messages, Warning(h.messages.lastText()));
            EXPECT_TRUE(h.messages.lastText().startsWith(QString::fromLatin1(c.field)))
                << h.messages.lastText().toStdString();
            EXPECT_EQ(h.endpoint.commands(), atTheClick ? QList<int>{} : QList<int>{CmdLogout});
            EXPECT_FALSE(h.app().deferredWriteTimer().isEnabled());
        }
    }
}

TEST_F(Commands, TheFirstBadFieldInUploadOrderIsTheOneReported)
{
    fillValidSettings();
    w().tcpServerAddressBoxes[0]->clear();
    w().remotePortBox->setText(QStringLiteral("70000"));
    w().gatewayBoxes[1]->setText(QStringLiteral("256"));
    EXPECT_TRUE(w().uploadRefusal()->startsWith(QStringLiteral("Device Gateway Error")));
    w().gatewayBoxes[1]->setText(QStringLiteral("1"));
    EXPECT_TRUE(w().uploadRefusal()->startsWith(QStringLiteral("Device Remote Port Number Error")));
    w().remotePortBox->setText(QStringLiteral("65535"));
    EXPECT_TRUE(w().uploadRefusal()->startsWith(QStringLiteral("Server remote IP-Address Error")));
    w().tcpServerAddressBoxes[0]->setText(QStringLiteral(" 7 "));
    EXPECT_FALSE(w().uploadRefusal().has_value());
}

TEST_F(Commands, ActivationStopsThePollOnlyWhileLoggedOut)
{
    h.app().loginPollTimer().setEnabled(true);
    w().logoutButton->setEnabled(true);
    state().loggedIn = true;
    w().onActivated();
    EXPECT_TRUE(h.app().loginPollTimer().isEnabled());
    EXPECT_TRUE(w().logoutButton->isEnabled());

    state().loggedIn = false; // a login accepted but not yet confirmed by the poll
    w().onActivated();
    EXPECT_FALSE(h.app().loginPollTimer().isEnabled());
    EXPECT_FALSE(w().logoutButton->isEnabled());
}

TEST_F(Commands, ASendErrorIsShownAndLeavesCommandPendingAndTheReplyTimerAsTheyWere)
{
    h.endpoint.failSend = true;
    w().downloadButton->click(); // 102 through sendCommand, then 97
    const QString unreachable = QStringLiteral("Network is unreachable");
    EXPECT_EQ(h.messages.messages, (QList<ShownMessage>{{unreachable, "Errore  10051", MessageIcon::Exclamation},
                                                         {unreachable, "Errore 10051", MessageIcon::Exclamation}}));
    EXPECT_FALSE(state().commandPending);
    EXPECT_FALSE(h.app().replyTimer().isCounting());

    h.endpoint.failSend = false;
    w().setDefaultButton->click();
    h.app().replyTimer().setInterval(1500);
    h.endpoint.failSend = true;
    w().sendDeferredWrite(); // sendCommand 99 fails
    EXPECT_EQ(h.messages.messages.last().title, "Errore  10051");
    EXPECT_TRUE(state().commandPending);
    EXPECT_EQ(h.app().replyTimer().interval(), 1500);
    EXPECT_TRUE(h.app().replyTimer().isEnabled());
}

} // namespace
} // namespace qvx::test
