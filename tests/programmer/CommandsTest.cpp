#include "ProgrammerFixture.h"

#include "protocol/Commands.h"

#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>

namespace qvx::test {
namespace {

const QByteArray kLogoutFrame = QByteArray::fromHex("3C236702AAAABD3E");

using Commands = ProgrammerTest;

TEST_F(Commands, DownloadSendsStatusThenDownloadBackToBack)
{
    w().cmdCommand_a->click();
    EXPECT_EQ(h.endpoint.frames(), (QList<QByteArray>{QByteArray::fromHex("3C236602AAAABC3E"),
                                                      QByteArray::fromHex("3C236102AAAAB73E")}));
    EXPECT_TRUE(state().CommandPending);
    EXPECT_EQ(h.app().Timer1().interval(), 2000);
    EXPECT_TRUE(h.app().Timer1().isCounting());
}

TEST_F(Commands, BaudChangeOnTheFlyWaitsForNoReply)
{
    // Nothing selected yet: the stored index (0) and the default format.
    w().Command1->click();
    ASSERT_EQ(h.endpoint.sent.size(), 1);
    EXPECT_EQ(h.endpoint.sent[0].datagram, BuildRequestFrame(104, bytes({0x00, 0xC0})));
    EXPECT_FALSE(state().CommandPending);
    EXPECT_FALSE(h.app().Timer1().isCounting());
    EXPECT_EQ(h.app().Timer1().interval(), 0);

    w().cmbUARTBaudrate->setCurrentIndex(7);
    w().Option1->click(); // 7 bit
    w().Option5->click(); // Parity Odd
    w().Option7->click(); // 2 bit
    w().Command1->click();
    ASSERT_EQ(h.endpoint.sent.size(), 2);
    EXPECT_EQ(h.endpoint.sent[1].datagram, BuildRequestFrame(104, bytes({0x07, 0xDD})));

    w().Option4->click(); // Parity Even
    w().Option2->click(); // 8 bit
    w().Command1->click();
    EXPECT_EQ(h.endpoint.sent[2].datagram, BuildRequestFrame(104, bytes({0x07, 0xD4})));
}

// ---- Write sequences ----

struct WriteCase {
    const char *button;
    quint8 code;
};

class WriteSequence : public ProgrammerTest, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(WriteSequence, LogoutNowThenTheWriteWhenTheWriteTimerFires)
{
    fillValidSettings();
    w().SetWriteButtonsEnabled(true);
    auto *button = w().findChild<QPushButton *>(QString::fromLatin1(GetParam().button));
    ASSERT_NE(button, nullptr);
    button->click();

    EXPECT_EQ(h.endpoint.frames(), QList<QByteArray>{kLogoutFrame});
    EXPECT_EQ(state().LastCommandCode, GetParam().code);
    EXPECT_TRUE(h.app().Timer4().isEnabled());
    EXPECT_EQ(h.app().Timer4().interval(), 2000);
    EXPECT_TRUE(h.app().Timer4().isCounting());
    EXPECT_TRUE(button->isEnabled());

    w().Timer4_Timer();
    EXPECT_FALSE(h.app().Timer4().isEnabled());
    ASSERT_EQ(h.endpoint.sent.size(), 2);
    const std::optional<Frame> write = RecognizeRequest(h.endpoint.sent[1].datagram);
    ASSERT_TRUE(write.has_value());
    EXPECT_EQ(write->cmd, GetParam().code);
    EXPECT_TRUE(state().CommandPending);
    EXPECT_EQ(state().LastCommandCode, GetParam().code); // not reset
    if (GetParam().code != 98) {
        EXPECT_EQ(write->data, bytes({0xAA, 0xAA}));
    }
}

INSTANTIATE_TEST_SUITE_P(Buttons, WriteSequence,
                         ::testing::Values(WriteCase{"cmdCommand_b", 98}, WriteCase{"cmdCommand_c", 99},
                                           WriteCase{"cmdResetMacAutomatic", 112}));

TEST_F(Commands, UploadCarriesEveryFieldByteForByte)
{
    const char *mac[] = {"00", "1A", "2B", "3C", "4D", "5E"};
    for (int i = 0; i < 6; ++i)
        w().txtMacAddress[i]->setText(QLatin1String(mac[i]));
    const QStringList ip{"192", "168", "1", "10"}, mask{"255", "255", "255", "0"}, gw{"192", "168", "1", "1"},
        server{"10", "0", "0", "2.5"};
    for (int i = 0; i < 4; ++i) {
        w().txtIPAddress[i]->setText(ip[i]);
        w().txtSubnetMask[i]->setText(mask[i]);
        w().txtGateway[i]->setText(gw[i]);
        w().txtTcpServer[i]->setText(server[i]);
    }
    w().txtUDPLocalPort->setText(QStringLiteral("4096"));
    w().txtUDPRemotePort->setText(QStringLiteral("65535"));
    w().cmbUARTBaudrate->setCurrentIndex(4); // "9600": automatic timeout 3250
    w().Option1->click();
    w().Option5->click();
    w().Option7->click();
    w().Option9->click(); // timeout to default: Disable
    w().optCliSer[1]->click();
    w().optProto[0]->click();
    w().optDhcp[1]->click();

    w().SetWriteButtonsEnabled(true);
    w().cmdCommand_b->click();
    w().Timer4_Timer();
    ASSERT_EQ(h.endpoint.sent.size(), 2);
    const QByteArray frame = h.endpoint.sent[1].datagram;
    EXPECT_EQ(h.endpoint.sent[1].host, QStringLiteral("192.168.0.1"));
    ASSERT_EQ(frame.size(), 33 + 6);
    EXPECT_EQ(quint8(frame[2]), 98);
    EXPECT_EQ(quint8(frame[3]), 33);
    const QByteArray expected = bytes({0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, // MAC
                                       192,  168,  1,    10,               // IP
                                       255,  255,  255,  0,                // mask
                                       192,  168,  1,    1,                // gateway
                                       0x10, 0x00, 0xFF, 0xFF,             // ports
                                       0x04, 0x0C, 0xB2,                   // baud, timeout
                                       0xDD, 0x00, 0x50,                   // format, enable, mode
                                       10,   0,    0,    2,                // server (2.5 rounds to 2)
                                       0x00});
    EXPECT_EQ(frame.mid(4, 33), expected);
    EXPECT_EQ(frame, BuildRequestFrame(98, expected));

    // The defaults: format 0xC0, "Enable" 1, no mode flag.
    w().Option2->click();
    w().Option3->click();
    w().Option6->click();
    w().Option8->click();
    w().optCliSer[0]->click();
    w().optDhcp[0]->click();
    w().cmdCommand_b->click();
    w().Timer4_Timer();
    ASSERT_EQ(h.endpoint.sent.size(), 4);
    EXPECT_EQ(h.endpoint.sent[3].datagram.mid(4 + 25, 3), bytes({0xC0, 0x01, 0x00}));
}

// ---- Refused uploads ----

struct RefusalCase {
    const char *box;
    const char *text;
    const char *field; // the start of the message
};

class UploadRefusal : public ProgrammerTest, public ::testing::WithParamInterface<RefusalCase> {
protected:
    void SetUp() override
    {
        ProgrammerTest::SetUp();
        fillValidSettings();
        w().optUARTManualTout->click();
        w().txtUARTTimeout->setText(QStringLiteral("1000"));
        w().SetWriteButtonsEnabled(true);
    }
    void breakField()
    {
        auto *box = w().findChild<QLineEdit *>(QString::fromLatin1(GetParam().box));
        ASSERT_NE(box, nullptr);
        box->setText(QString::fromLatin1(GetParam().text));
    }
    void expectRefusal()
    {
        ASSERT_EQ(h.messages.messages.size(), 1);
        EXPECT_TRUE(h.messages.lastText().startsWith(QString::fromLatin1(GetParam().field)))
            << h.messages.lastText().toStdString();
        EXPECT_EQ(h.messages.messages[0].title, QStringLiteral("Message Warning"));
        EXPECT_EQ(h.messages.messages[0].icon, MessageIcon::Exclamation);
    }
};

TEST_P(UploadRefusal, AtTheClickNothingLeaves)
{
    breakField();
    w().cmdCommand_b->click();
    expectRefusal();
    EXPECT_TRUE(h.endpoint.sent.isEmpty());
    EXPECT_FALSE(h.app().Timer4().isEnabled());
}

TEST_P(UploadRefusal, WhenTheWriteTimerFiresNoSettingsLeave)
{
    w().cmdCommand_b->click();
    ASSERT_EQ(h.endpoint.frames(), QList<QByteArray>{kLogoutFrame});
    breakField();
    w().Timer4_Timer();
    expectRefusal();
    EXPECT_EQ(h.endpoint.sent.size(), 1);
    EXPECT_FALSE(h.endpoint.commands().contains(98));
}

INSTANTIATE_TEST_SUITE_P(
    Fields, UploadRefusal,
    ::testing::Values(RefusalCase{"txtUDPLocalPort", "65536", "Device Local Port Number Error"},
                      RefusalCase{"txtUDPLocalPort", "99999999999", "Device Local Port Number Error"},
                      RefusalCase{"txtUDPRemotePort", "1e300", "Device Remote Port Number Error"},
                      RefusalCase{"txtUARTTimeout", "70000", "Device UART RX Timeout Error"},
                      RefusalCase{"txtIPAddress_1", "256", "Device IP-Address Error"},
                      RefusalCase{"txtIPAddress_3", "1e300", "Device IP-Address Error"},
                      RefusalCase{"txtSubnetMask_0", "-1", "Device Subnet Mask Error"},
                      RefusalCase{"txtGateway_2", "300", "Device Gateway Error"},
                      RefusalCase{"txtMacAddress_3", "ZZ", "Device Mac-Address Error"},
                      RefusalCase{"txtTcpServer_0", "", "Server remote IP-Address Error"},
                      RefusalCase{"txtTcpServer_1", "abc", "Server remote IP-Address Error"},
                      RefusalCase{"txtTcpServer_2", "12abc", "Server remote IP-Address Error"},
                      RefusalCase{"txtTcpServer_3", "256", "Server remote IP-Address Error"}));

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

// ---- Login frames ----

TEST_F(Commands, ActivationSendsTheRequestedLoginAndPasswordFrames)
{
    const QString login = QStringLiteral("      abc123");
    const QString oldPassword = QStringLiteral("         old");
    const QString newPassword = QStringLiteral("      secret");
    for (int i = 0; i < 12; ++i) {
        state().LoginPasswordCodes[i] = login[i].unicode();
        state().OldPasswordCodes[i] = oldPassword[i].unicode();
        state().NewPasswordCodes[i] = newPassword[i].unicode();
    }
    state().LoginRequested = true;
    state().PasswordChangeRequested = true;

    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&w(), &activate);

    EXPECT_FALSE(state().LoginRequested);
    EXPECT_FALSE(state().PasswordChangeRequested);
    ASSERT_EQ(h.endpoint.sent.size(), 2);
    EXPECT_EQ(h.endpoint.sent[0].datagram,
              BuildRequestFrame(100, QByteArray("\x20\x20\x20\x20\x20\x20"
                                                "abc123")));
    EXPECT_EQ(quint8(h.endpoint.sent[0].datagram[3]), 12);
    EXPECT_EQ(h.endpoint.sent[1].datagram, BuildRequestFrame(101, QByteArray("         old      secret")));
    EXPECT_EQ(quint8(h.endpoint.sent[1].datagram[3]), 24);
    EXPECT_TRUE(state().CommandPending);

    // The next activation sends nothing more.
    QApplication::sendEvent(&w(), &activate);
    EXPECT_EQ(h.endpoint.sent.size(), 2);
}

TEST_F(Commands, ActivationStopsThePollOnlyWhileLoggedOut)
{
    h.app().Timer2().setEnabled(true);
    w().cmdLogout->setEnabled(true);
    state().LoggedIn = true;
    w().Form_Activate();
    EXPECT_TRUE(h.app().Timer2().isEnabled());
    EXPECT_TRUE(w().cmdLogout->isEnabled());

    // A login accepted but not yet confirmed by the poll.
    state().LoggedIn = false;
    w().Form_Activate();
    EXPECT_FALSE(h.app().Timer2().isEnabled());
    EXPECT_FALSE(w().cmdLogout->isEnabled());
}

// ---- Send errors ----

TEST_F(Commands, ASendErrorIsShownAndArmsNothing)
{
    h.endpoint.failSend = true;
    w().cmdCommand_a->click(); // 102 through SendCommand, then 97
    ASSERT_EQ(h.messages.messages.size(), 2);
    EXPECT_EQ(h.messages.messages[0].title, QStringLiteral("Errore  10051"));
    EXPECT_EQ(h.messages.messages[0].text, QStringLiteral("Network is unreachable"));
    EXPECT_EQ(h.messages.messages[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(h.messages.messages[1].title, QStringLiteral("Errore 10051"));
    EXPECT_FALSE(state().CommandPending);
    EXPECT_EQ(h.app().Timer1().interval(), 0);
    EXPECT_FALSE(h.app().Timer1().isCounting());

    // A failure while a reply is awaited leaves that wait as it was.
    h.endpoint.failSend = false;
    w().cmdCommand_c->click();
    h.app().Timer1().setInterval(1500);
    h.endpoint.failSend = true;
    w().Timer4_Timer(); // SendCommand 99 fails
    EXPECT_EQ(h.messages.messages.last().title, QStringLiteral("Errore  10051"));
    EXPECT_TRUE(state().CommandPending);
    EXPECT_EQ(h.app().Timer1().interval(), 1500);
    EXPECT_TRUE(h.app().Timer1().isEnabled());
}

} // namespace
} // namespace qvx::test
