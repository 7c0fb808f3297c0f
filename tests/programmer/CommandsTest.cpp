#include "ProgrammerFixture.h"

namespace qvx::test {
namespace {

const QByteArray kLogoutFrame = Hex("3C236702AAAABD3E");

using Commands = ProgrammerTest;

TEST_F(Commands, DownloadSendsStatusThenDownloadAndLogoutWaitsForTheAnswer)
{
    w().cmdCommand_a->click();
    EXPECT_EQ(h.endpoint.frames(), (QList<QByteArray>{Hex("3C236602AAAABC3E"), Hex("3C236102AAAAB73E")}));
    EXPECT_TRUE(state().CommandPending);
    EXPECT_EQ(h.app().Timer1().interval(), 2000);
    EXPECT_TRUE(h.app().Timer1().isCounting());

    h.endpoint.clearSent();
    w().cmdLogout->setEnabled(true);
    QTest::mouseClick(w().cmdLogout, Qt::LeftButton);
    EXPECT_EQ(h.endpoint.frames(), QList<QByteArray>{kLogoutFrame});
    EXPECT_TRUE(w().cmdLogout->isEnabled()); // the window changes only when the device answers
}

TEST_F(Commands, BaudChangeOnTheFlyWaitsForNoReply)
{
    w().Command1->click(); // nothing selected yet: the stored index (0) and the default format
    w().cmbUARTBaudrate->setCurrentIndex(7);
    for (QRadioButton *o : {w().Option1, w().Option5, w().Option7}) // 7 bit, odd, 2 stop bits
        o->click();
    w().Command1->click();
    w().Option4->click(); // even
    w().Option2->click(); // 8 bit
    w().Command1->click();
    EXPECT_EQ(h.endpoint.frames(), (QList<QByteArray>{RequestBytes(104, Bytes({0x00, 0xC0})),
                                                      RequestBytes(104, Bytes({0x07, 0xDD})),
                                                      RequestBytes(104, Bytes({0x07, 0xD4}))}));
    EXPECT_FALSE(state().CommandPending);
    EXPECT_FALSE(h.app().Timer1().isCounting());
}

// Each write: the logout at once, the write itself 2000 ms later when the write timer fires.
TEST_F(Commands, WritesLogOutNowAndWriteWhenTheWriteTimerFires)
{
    fillValidSettings();
    w().SetWriteButtonsEnabled(true);
    const std::pair<QPushButton *, int> writes[] = {{w().cmdCommand_b, 98}, {w().cmdCommand_c, 99},
                                                    {w().cmdResetMacAutomatic, 112}};
    for (const auto &[button, code] : writes) {
        SCOPED_TRACE(code);
        h.endpoint.clearSent();
        button->click();
        EXPECT_EQ(h.endpoint.frames(), QList<QByteArray>{kLogoutFrame});
        EXPECT_EQ(state().LastCommandCode, code);
        EXPECT_EQ(h.app().Timer4().interval(), 2000);
        EXPECT_TRUE(h.app().Timer4().isCounting());
        EXPECT_TRUE(button->isEnabled());

        w().Timer4_Timer();
        EXPECT_FALSE(h.app().Timer4().isEnabled());
        ASSERT_EQ(h.endpoint.sent.size(), 2);
        const std::optional<Frame> write = RecognizeRequest(h.endpoint.sent[1].datagram);
        ASSERT_TRUE(write.has_value());
        EXPECT_EQ(write->cmd, code);
        EXPECT_TRUE(code == 98 || write->data == SimpleCommandData());
        EXPECT_TRUE(state().CommandPending);
        EXPECT_EQ(state().LastCommandCode, code); // not reset
    }
}

TEST_F(Commands, UploadCarriesEveryFieldByteForByte)
{
    const QStringList mac{"00", "1A", "2B", "3C", "4D", "5E"}, ip{"192", "168", "1", "10"},
        mask{"255", "255", "255", "0"}, gw{"192", "168", "1", "1"}, server{"10", "0", "0", "2.5"};
    for (int i = 0; i < 6; ++i)
        w().txtMacAddress[i]->setText(mac[i]);
    for (int i = 0; i < 4; ++i) {
        w().txtIPAddress[i]->setText(ip[i]);
        w().txtSubnetMask[i]->setText(mask[i]);
        w().txtGateway[i]->setText(gw[i]);
        w().txtTcpServer[i]->setText(server[i]);
    }
    w().txtUDPLocalPort->setText(QStringLiteral("4096"));
    w().txtUDPRemotePort->setText(QStringLiteral("65535"));
    w().cmbUARTBaudrate->setCurrentIndex(4); // "9600": automatic timeout 3250
    for (QRadioButton *o : {w().Option1, w().Option5, w().Option7, w().Option9, w().optCliSer[1], w().optProto[0],
                            w().optDhcp[1]})
        o->click();

    w().SetWriteButtonsEnabled(true);
    w().cmdCommand_b->click();
    w().Timer4_Timer();
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
    for (QRadioButton *o : {w().Option2, w().Option3, w().Option6, w().Option8, w().optCliSer[0], w().optDhcp[0]})
        o->click();
    for (QLineEdit *box : w().txtTcpServer)
        box->clear();
    w().cmdCommand_b->click();
    w().Timer4_Timer();
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
    w().optUARTManualTout->click();
    w().SetWriteButtonsEnabled(true);
    for (const auto &c : cases) {
        for (bool atTheClick : {true, false}) {
            SCOPED_TRACE(testing::Message() << c.box << " = " << c.text << (atTheClick ? " at the click" : " later"));
            fillValidSettings();
            w().txtUARTTimeout->setText(QStringLiteral("1000"));
            h.endpoint.clearSent();
            h.messages.clear();
            auto *box = w().findChild<QLineEdit *>(QString::fromLatin1(c.box));
            ASSERT_NE(box, nullptr);
            if (atTheClick)
                box->setText(QString::fromLatin1(c.text));
            w().cmdCommand_b->click();
            if (!atTheClick) {
                ASSERT_EQ(h.endpoint.frames(), QList<QByteArray>{kLogoutFrame});
                box->setText(QString::fromLatin1(c.text));
                w().Timer4_Timer();
            }
            ASSERT_EQ(h.messages.messages.size(), 1);
            EXPECT_EQ(h.messages.messages, Warning(h.messages.lastText()));
            EXPECT_TRUE(h.messages.lastText().startsWith(QString::fromLatin1(c.field)))
                << h.messages.lastText().toStdString();
            EXPECT_EQ(h.endpoint.commands(), atTheClick ? QList<int>{} : QList<int>{CmdLogout});
            EXPECT_FALSE(h.app().Timer4().isEnabled());
        }
    }
}

TEST_F(Commands, TheFirstBadFieldInUploadOrderIsTheOneReported)
{
    fillValidSettings();
    w().txtTcpServer[0]->clear();
    w().txtUDPRemotePort->setText(QStringLiteral("70000"));
    w().txtGateway[1]->setText(QStringLiteral("256"));
    EXPECT_TRUE(w().UploadRefusal()->startsWith(QStringLiteral("Device Gateway Error")));
    w().txtGateway[1]->setText(QStringLiteral("1"));
    EXPECT_TRUE(w().UploadRefusal()->startsWith(QStringLiteral("Device Remote Port Number Error")));
    w().txtUDPRemotePort->setText(QStringLiteral("65535"));
    EXPECT_TRUE(w().UploadRefusal()->startsWith(QStringLiteral("Server remote IP-Address Error")));
    w().txtTcpServer[0]->setText(QStringLiteral(" 7 "));
    EXPECT_FALSE(w().UploadRefusal().has_value());
}

TEST_F(Commands, ActivationStopsThePollOnlyWhileLoggedOut)
{
    h.app().Timer2().setEnabled(true);
    w().cmdLogout->setEnabled(true);
    state().LoggedIn = true;
    w().Form_Activate();
    EXPECT_TRUE(h.app().Timer2().isEnabled());
    EXPECT_TRUE(w().cmdLogout->isEnabled());

    state().LoggedIn = false; // a login accepted but not yet confirmed by the poll
    w().Form_Activate();
    EXPECT_FALSE(h.app().Timer2().isEnabled());
    EXPECT_FALSE(w().cmdLogout->isEnabled());
}

TEST_F(Commands, ASendErrorIsShownAndLeavesCommandPendingAndTheReplyTimerAsTheyWere)
{
    h.endpoint.failSend = true;
    w().cmdCommand_a->click(); // 102 through SendCommand, then 97
    const QString unreachable = QStringLiteral("Network is unreachable");
    EXPECT_EQ(h.messages.messages, (QList<ShownMessage>{{unreachable, "Errore  10051", MessageIcon::Exclamation},
                                                         {unreachable, "Errore 10051", MessageIcon::Exclamation}}));
    EXPECT_FALSE(state().CommandPending);
    EXPECT_FALSE(h.app().Timer1().isCounting());

    h.endpoint.failSend = false;
    w().cmdCommand_c->click();
    h.app().Timer1().setInterval(1500);
    h.endpoint.failSend = true;
    w().Timer4_Timer(); // SendCommand 99 fails
    EXPECT_EQ(h.messages.messages.last().title, "Errore  10051");
    EXPECT_TRUE(state().CommandPending);
    EXPECT_EQ(h.app().Timer1().interval(), 1500);
    EXPECT_TRUE(h.app().Timer1().isEnabled());
}

} // namespace
} // namespace qvx::test
