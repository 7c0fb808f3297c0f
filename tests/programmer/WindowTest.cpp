#include "ProgrammerFixture.h"

#include "dialogs/frm05Source.h"
#include "dialogs/frm06Bridge.h"
#include "dialogs/frm07MacAddress.h"
#include "discovery/frm03Discovery.h"
#include "login/frm02Login.h"

#include <QAction>
#include <QComboBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>

namespace qvx::test {
namespace {

using WindowStart = ProgrammerTest;

TEST_F(WindowStart, AimsAtTheDefaultDeviceAndSendsNothing)
{
    EXPECT_EQ(h.endpoint.remoteHost(), QStringLiteral("192.168.0.1"));
    EXPECT_EQ(h.endpoint.remotePort(), 4096);
    EXPECT_TRUE(h.endpoint.isBound());
    EXPECT_EQ(h.endpoint.boundPort, 65000);
    EXPECT_TRUE(h.endpoint.sent.isEmpty());
    EXPECT_TRUE(h.messages.messages.isEmpty());

    const std::array<qint16, 4> expected{192, 168, 0, 1};
    EXPECT_EQ(state().DeviceIpOctet, expected);
    const QStringList texts{w().txtExpIPAddress[0]->text(), w().txtExpIPAddress[1]->text(),
                            w().txtExpIPAddress[2]->text(), w().txtExpIPAddress[3]->text()};
    EXPECT_EQ(texts, (QStringList{"192", "168", "0", "1"}));
}

TEST_F(WindowStart, StartsLoggedOutWithThePollStopped)
{
    for (QPushButton *b : {w().cmdLogout, w().cmdCommand_b, w().cmdSource, w().cmdBridge, w().cmdResetMacAutomatic,
                           w().cmdResetMacManual})
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    for (QPushButton *b : {w().cmdLogin, w().cmdCommand_a, w().cmdCommand_c, w().Command1, w().cmdDiscovery, w().cmdExit})
        EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();
    EXPECT_FALSE(h.app().Timer2().isEnabled());
    EXPECT_FALSE(h.app().Timer2().isCounting());
    EXPECT_FALSE(h.app().Timer1().isCounting());
    EXPECT_FALSE(h.app().Timer4().isEnabled());
}

TEST(WindowLoad, AHiddenWindowNeverActivatedDoesNotPoll)
{
    AppHarness hidden(true, false);
    frm01UDPClient &w = *hidden.app().programmer();
    EXPECT_FALSE(hidden.app().Timer2().isEnabled());
    EXPECT_FALSE(w.cmdLogout->isEnabled());
    EXPECT_FALSE(w.cmdCommand_b->isEnabled());
    EXPECT_EQ(hidden.endpoint.remoteHost(), QStringLiteral("192.168.0.1"));
}

TEST_F(WindowStart, FieldsAndOptionsStartAsShown)
{
    for (QLineEdit *box : w().txtMacAddress)
        EXPECT_FALSE(box->isEnabled());
    for (auto *boxes : {&w().txtIPAddress, &w().txtSubnetMask, &w().txtGateway, &w().txtTcpServer})
        for (QLineEdit *box : *boxes) {
            EXPECT_TRUE(box->isEnabled());
            EXPECT_TRUE(box->text().isEmpty());
        }
    EXPECT_EQ(w().cmbUARTBaudrate->count(), 9);
    EXPECT_EQ(w().cmbUARTBaudrate->currentIndex(), -1);
    EXPECT_EQ(w().BaudRateIndex, 0);
    EXPECT_TRUE(w().optUARTAutoTout->isChecked());
    EXPECT_FALSE(w().optUARTManualTout->isChecked());
    EXPECT_TRUE(w().AutoTimeoutMode);
    EXPECT_FALSE(w().ManualTimeoutMode);
    EXPECT_FALSE(w().txtUARTTimeout->isEnabled());
    for (QRadioButton *o : {w().Option2, w().Option3, w().Option6, w().Option8})
        EXPECT_TRUE(o->isChecked()) << o->objectName().toStdString();
    for (QRadioButton *o : {w().Option1, w().Option4, w().Option5, w().Option7, w().Option9})
        EXPECT_FALSE(o->isChecked()) << o->objectName().toStdString();
    for (auto *pair : {&w().optDhcp, &w().optProto, &w().optCliSer})
        for (QRadioButton *o : *pair)
            EXPECT_FALSE(o->isChecked()) << o->objectName().toStdString();
    EXPECT_TRUE(w().lblFirmware->text().isEmpty());
    EXPECT_TRUE(w().lblLoginStatus->text().isEmpty());
}

TEST_F(WindowStart, CaptionsAndNames)
{
    EXPECT_EQ(w().windowTitle(), QStringLiteral("Ethernet-Serial Interface Programmer"));
    const QList<std::pair<const char *, const char *>> captions{
        {"cmdLogin", "Login"},
        {"cmdLogout", "Logout"},
        {"cmdCommand_a", "Download Settings"},
        {"cmdCommand_b", "Upload Settings"},
        {"cmdCommand_c", "Set Default Configuration"},
        {"Command1", "Change Baudrate On The Fly"},
        {"cmdSource", "IP Sources filter"},
        {"cmdBridge", "IP Destinations bridge"},
        {"cmdResetMacAutomatic", "Reassign MAC ADDR (automatic)"},
        {"cmdResetMacManual", "Reassign MAC ADDR (manual)"},
        {"cmdDiscovery", "Devices Discovery"},
        {"cmdExit", "Exit"},
        {"lblMacAddress", "Device Mac-Address:"},
        {"lblDeviceIPAddress", "Device IP-Address:"},
        {"lblDeviceSubnetMask", "Device Subnet Mask:"},
        {"lblDeviceGateway", "Device Gateway:"},
        {"Label1", "Server remote IP-Address"},
        {"Label2", "(for TCP Client mode)"},
        {"Label3", "Device Local Port Number:"},
        {"Label4", "Device Remote Port Number:"},
        {"Label5", "Device UART Baud Rate [bit/second]:"},
        {"Label6", "Device UART RX Timeout [uSec]:"},
        {"Label7", "Expected Device IP-Address:"},
        {"optUARTAutoTout", "Automatic Device UART Timeout Setting"},
        {"optUARTManualTout", "Manual Device UART Timeout Setting"},
        {"Option1", "7 bit"},
        {"Option2", "8 bit"},
        {"Option3", "Parity None"},
        {"Option4", "Parity Even"},
        {"Option5", "Parity Odd"},
        {"Option6", "1 bit"},
        {"Option7", "2 bit"},
        {"Option8", "Enable"},
        {"Option9", "Disable"},
        {"optDhcp_1", "DHCP enabled"},
        {"optDhcp_0", "DHCP disabled"},
        {"optProto_1", "TCP"},
        {"optProto_0", "UDP"},
        {"optCliSer_1", "TCP Client"},
        {"optCliSer_0", "TCP Server"},
        {"Frame2", "Bit di dati"},
        {"Frame5", "Parità"},
        {"Frame6", "Bit di stop"},
        {"Frame7", "Ver. Firmware"},
        {"Frame8", "Timeout to default serial parameter"},
        {"fraDhcp", "DHCP Client"},
        {"fraProto", "Protocol"},
        {"fraCliSer", "TCP Client/Server"},
    };
    for (const auto &[name, caption] : captions) {
        QWidget *widget = w().findChild<QWidget *>(QString::fromLatin1(name));
        ASSERT_NE(widget, nullptr) << name;
        QString text;
        if (auto *b = qobject_cast<QAbstractButton *>(widget))
            text = b->text();
        else if (auto *l = qobject_cast<QLabel *>(widget))
            text = l->text();
        else if (auto *g = qobject_cast<QGroupBox *>(widget))
            text = g->title();
        EXPECT_EQ(text, QString::fromUtf8(caption)) << name;
    }
    EXPECT_EQ(w().mnuHelp->title(), QStringLiteral("&?"));
    EXPECT_EQ(w().mnuHelpAbout->text(), QStringLiteral("&Informazioni su"));
    EXPECT_EQ(w().mnuHelpAbout->objectName(), QStringLiteral("mnuHelpAbout"));

    // Members and object names agree, array boxes by index.
    EXPECT_EQ(w().txtIPAddress[2]->objectName(), QStringLiteral("txtIPAddress_2"));
    EXPECT_EQ(w().txtMacAddress[5]->objectName(), QStringLiteral("txtMacAddress_5"));
    EXPECT_EQ(w().txtExpIPAddress[0]->objectName(), QStringLiteral("txtExpIPAddress_0"));
    EXPECT_EQ(w().txtTcpServer[3]->objectName(), QStringLiteral("txtTcpServer_3"));
    EXPECT_EQ(w().optDhcp[1]->text(), QStringLiteral("DHCP enabled"));
    EXPECT_EQ(w().cmbUARTBaudrate->objectName(), QStringLiteral("cmbUARTBaudrate"));
    QStringList items;
    for (int i = 0; i < w().cmbUARTBaudrate->count(); ++i)
        items << w().cmbUARTBaudrate->itemText(i);
    EXPECT_EQ(items, (QStringList{"600", "1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"}));
}

TEST_F(WindowStart, EveryEntryAndOptionHasAnAccessibleName)
{
    QStringList names;
    for (QWidget *widget : w().findChildren<QWidget *>()) {
        if (!qobject_cast<QLineEdit *>(widget) && !qobject_cast<QComboBox *>(widget) &&
            !qobject_cast<QRadioButton *>(widget))
            continue;
        if (widget->parent() && qobject_cast<QComboBox *>(widget->parent()))
            continue; // the list's own line edit, if any
        EXPECT_FALSE(widget->accessibleName().isEmpty()) << widget->objectName().toStdString();
        names << widget->accessibleName();
    }
    EXPECT_EQ(w().txtIPAddress[0]->accessibleName(), QStringLiteral("Device IP-Address: octet 1 of 4"));
    EXPECT_EQ(w().txtExpIPAddress[3]->accessibleName(), QStringLiteral("Expected Device IP-Address: octet 4 of 4"));
    EXPECT_EQ(w().txtMacAddress[5]->accessibleName(), QStringLiteral("Device Mac-Address: byte 6 of 6"));
    // No two controls share a name a screen reader would announce.
    EXPECT_EQ(names.size(), QSet<QString>(names.begin(), names.end()).size());
}

TEST_F(WindowStart, NumberBoxesUseAFixedPitchFont)
{
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    QList<QLineEdit *> boxes{w().txtUDPLocalPort, w().txtUDPRemotePort, w().txtUARTTimeout};
    for (auto *family : {&w().txtIPAddress, &w().txtSubnetMask, &w().txtGateway, &w().txtExpIPAddress, &w().txtTcpServer})
        boxes.append(QList<QLineEdit *>(family->begin(), family->end()));
    boxes.append(QList<QLineEdit *>(w().txtMacAddress.begin(), w().txtMacAddress.end()));
    for (QLineEdit *box : boxes) {
        EXPECT_EQ(box->font().family(), fixed.family()) << box->objectName().toStdString();
        EXPECT_EQ(box->maxLength(), 32767) << box->objectName().toStdString(); // no limit
    }
}

TEST_F(WindowStart, FitsALaptopScreenWithEveryCaptionWhole)
{
    const QSize hint = w().sizeHint();
    EXPECT_LE(hint.width(), 1366);
    EXPECT_LE(hint.height(), 700); // leaves room for a title bar and a task bar
    w().resize(hint);
    QTest::qWait(0);
    for (QWidget *widget : w().findChildren<QWidget *>()) {
        if (!widget->isVisible())
            continue;
        auto *label = qobject_cast<QLabel *>(widget);
        if (qobject_cast<QAbstractButton *>(widget) || (label && !label->wordWrap())) {
            EXPECT_GE(widget->width(), widget->sizeHint().width()) << widget->objectName().toStdString();
        }
    }
}

using WindowButtons = ProgrammerTest;

TEST_F(WindowButtons, LoginDiscoveryAndManualMacOnlyOpenTheirWindows)
{
    QTest::mouseClick(w().cmdLogin, Qt::LeftButton);
    ASSERT_NE(h.app().loginIfLoaded(), nullptr);
    EXPECT_TRUE(h.app().loginIfLoaded()->isVisible());
    EXPECT_FALSE(h.app().loginIfLoaded()->isModal());

    QTest::mouseClick(w().cmdDiscovery, Qt::LeftButton);
    ASSERT_NE(h.app().discoveryIfLoaded(), nullptr);
    EXPECT_TRUE(h.app().discoveryIfLoaded()->isVisible());

    w().SetWriteButtonsEnabled(true);
    QTest::mouseClick(w().cmdResetMacManual, Qt::LeftButton);
    ASSERT_NE(h.app().macAddressIfLoaded(), nullptr);
    EXPECT_TRUE(h.app().macAddressIfLoaded()->isVisible());

    // The discovery window may aim the endpoint at the group, but nothing leaves.
    EXPECT_TRUE(h.endpoint.sent.isEmpty());
}

TEST_F(WindowButtons, SourceAndBridgeReadTheirSettingsThenOpen)
{
    w().SetWriteButtonsEnabled(true);
    QTest::mouseClick(w().cmdSource, Qt::LeftButton);
    ASSERT_NE(h.app().sourceIfLoaded(), nullptr);
    EXPECT_TRUE(h.app().sourceIfLoaded()->isVisible());
    QTest::mouseClick(w().cmdBridge, Qt::LeftButton);
    ASSERT_NE(h.app().bridgeIfLoaded(), nullptr);
    EXPECT_TRUE(h.app().bridgeIfLoaded()->isVisible());
    EXPECT_EQ(h.endpoint.frames(), (QList<QByteArray>{bytes({0x3C, 0x23, 0x69, 0x02, 0xAA, 0xAA, 0xBF, 0x3E}),
                                                      bytes({0x3C, 0x23, 0x6E, 0x02, 0xAA, 0xAA, 0xC4, 0x3E})}));
}

TEST_F(WindowButtons, LogoutSendsTheLogoutRequest)
{
    w().cmdLogout->setEnabled(true);
    QTest::mouseClick(w().cmdLogout, Qt::LeftButton);
    EXPECT_EQ(h.endpoint.frames(), QList<QByteArray>{bytes({0x3C, 0x23, 0x67, 0x02, 0xAA, 0xAA, 0xBD, 0x3E})});
    EXPECT_TRUE(state().CommandPending);
    // The window changes state only when the device answers.
    EXPECT_TRUE(w().cmdLogout->isEnabled());
}

TEST_F(WindowButtons, TimeoutModeOptions)
{
    w().txtUARTTimeout->setText(QStringLiteral("1234"));
    w().optUARTManualTout->click();
    EXPECT_TRUE(w().optUARTManualTout->isChecked());
    EXPECT_TRUE(w().txtUARTTimeout->isEnabled());
    EXPECT_TRUE(w().ManualTimeoutMode);
    EXPECT_FALSE(w().AutoTimeoutMode);

    w().optUARTAutoTout->click();
    EXPECT_FALSE(w().txtUARTTimeout->isEnabled());
    EXPECT_TRUE(w().AutoTimeoutMode);
    EXPECT_FALSE(w().ManualTimeoutMode);
    // The timeout shown stays until the next baud selection.
    EXPECT_EQ(w().txtUARTTimeout->text(), QStringLiteral("1234"));
}

TEST_F(WindowButtons, ExitAndTheTitleBarEndTheProgram)
{
    QSignalSpy exits(&h.app(), &AppContext::exitRequested);
    QTest::mouseClick(w().cmdExit, Qt::LeftButton);
    EXPECT_EQ(exits.count(), 1);
    EXPECT_EQ(h.app().discoveryIfLoaded(), nullptr); // exiting opens no window
    w().close();
    EXPECT_EQ(exits.count(), 2);
}

} // namespace
} // namespace qvx::test
