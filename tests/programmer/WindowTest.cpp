#include "ProgrammerFixture.h"

#include "dialogs/frm05Source.h"
#include "dialogs/frm06Bridge.h"
#include "dialogs/frm07MacAddress.h"
#include "discovery/frm03Discovery.h"
#include "login/frm02Login.h"

#include <QSignalSpy>

namespace qvx::test {
namespace {

using WindowStart = ProgrammerTest;

TEST_F(WindowStart, AimedAtTheDefaultDeviceLoggedOutWithNothingSent)
{
    EXPECT_EQ(h.endpoint.remoteHost(), "192.168.0.1");
    EXPECT_EQ(h.endpoint.remotePort(), 4096);
    EXPECT_EQ(h.endpoint.boundPort, 65000);
    EXPECT_TRUE(h.endpoint.isBound());
    EXPECT_TRUE(h.endpoint.sent.isEmpty());
    EXPECT_TRUE(h.messages.messages.isEmpty());
    EXPECT_EQ(state().DeviceIpOctet, (std::array<qint16, 4>{192, 168, 0, 1}));
    EXPECT_EQ(Dotted(w().txtExpIPAddress), "192.168.0.1");

    for (QPushButton *b : {w().cmdLogout, w().cmdCommand_b, w().cmdSource, w().cmdBridge, w().cmdResetMacAutomatic,
                           w().cmdResetMacManual})
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    for (QPushButton *b : {w().cmdLogin, w().cmdCommand_a, w().cmdCommand_c, w().Command1, w().cmdDiscovery, w().cmdExit})
        EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();
    EXPECT_FALSE(h.app().Timer1().isCounting());
    EXPECT_FALSE(h.app().Timer2().isEnabled());
    EXPECT_FALSE(h.app().Timer4().isEnabled());

    for (QLineEdit *box : w().txtMacAddress)
        EXPECT_FALSE(box->isEnabled());
    for (auto *boxes : {&w().txtIPAddress, &w().txtSubnetMask, &w().txtGateway, &w().txtTcpServer})
        EXPECT_EQ(Dotted(*boxes), "...");
    EXPECT_EQ(w().cmbUARTBaudrate->currentIndex(), -1);
    EXPECT_EQ(w().BaudRateIndex, 0);
    EXPECT_TRUE(w().optUARTAutoTout->isChecked());
    EXPECT_TRUE(w().AutoTimeoutMode);
    EXPECT_FALSE(w().ManualTimeoutMode);
    EXPECT_FALSE(w().txtUARTTimeout->isEnabled());
    for (QRadioButton *o : w().findChildren<QRadioButton *>()) {
        const bool checked = QList<QRadioButton *>{w().optUARTAutoTout, w().Option2, w().Option3, w().Option6,
                                                   w().Option8}.contains(o);
        EXPECT_EQ(o->isChecked(), checked) << o->objectName().toStdString();
    }
    EXPECT_TRUE(w().lblFirmware->text().isEmpty());
    EXPECT_TRUE(w().lblLoginStatus->text().isEmpty());
}

TEST(WindowLoad, AHiddenWindowNeverActivatedDoesNotPoll)
{
    AppHarness hidden(true, false);
    EXPECT_FALSE(hidden.app().Timer2().isEnabled());
    EXPECT_FALSE(hidden.app().programmer()->cmdLogout->isEnabled());
    EXPECT_EQ(hidden.endpoint.remoteHost(), "192.168.0.1");
}

TEST_F(WindowStart, EveryEntryAndOptionHasItsOwnAccessibleName)
{
    QStringList names;
    for (QWidget *widget : w().findChildren<QWidget *>()) {
        if ((!qobject_cast<QLineEdit *>(widget) && !qobject_cast<QComboBox *>(widget) &&
             !qobject_cast<QRadioButton *>(widget)) ||
            qobject_cast<QComboBox *>(widget->parent()))
            continue;
        EXPECT_FALSE(widget->accessibleName().isEmpty()) << widget->objectName().toStdString();
        names << widget->accessibleName();
    }
    EXPECT_EQ(names.size(), QSet<QString>(names.begin(), names.end()).size());
    EXPECT_EQ(w().txtIPAddress[0]->accessibleName(), "Device IP-Address: octet 1 of 4");
}

TEST_F(WindowStart, FitsALaptopScreenWithEveryCaptionWhole)
{
    const QSize hint = w().sizeHint();
    EXPECT_LE(hint.width(), 1366);
    EXPECT_LE(hint.height(), 700); // leaves room for a title bar and a task bar
    w().resize(hint);
    QTest::qWait(0);
    for (QWidget *widget : w().findChildren<QWidget *>()) {
        auto *label = qobject_cast<QLabel *>(widget);
        if (widget->isVisible() && (qobject_cast<QAbstractButton *>(widget) || (label && !label->wordWrap()))) {
            EXPECT_GE(widget->width(), widget->sizeHint().width()) << widget->objectName().toStdString();
        }
    }
}

using WindowButtons = ProgrammerTest;

TEST_F(WindowButtons, EachOpensItsWindowAndSourceAndBridgeReadTheirSettingsFirst)
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
    EXPECT_TRUE(h.endpoint.sent.isEmpty()); // the discovery window may re-aim, but nothing leaves

    QTest::mouseClick(w().cmdSource, Qt::LeftButton);
    ASSERT_NE(h.app().sourceIfLoaded(), nullptr);
    EXPECT_TRUE(h.app().sourceIfLoaded()->isVisible());
    QTest::mouseClick(w().cmdBridge, Qt::LeftButton);
    ASSERT_NE(h.app().bridgeIfLoaded(), nullptr);
    EXPECT_TRUE(h.app().bridgeIfLoaded()->isVisible());
    EXPECT_EQ(h.endpoint.frames(), (QList<QByteArray>{Hex("3C236902AAAABF3E"), Hex("3C236E02AAAAC43E")}));
    EXPECT_EQ(h.endpoint.sent[0].host, "192.168.0.1");
}

TEST_F(WindowButtons, ExitAndTheTitleBarEndTheProgram)
{
    QSignalSpy exits(&h.app(), &AppContext::exitRequested);
    QTest::mouseClick(w().cmdExit, Qt::LeftButton);
    EXPECT_EQ(exits.count(), 1);
    EXPECT_EQ(h.app().discoveryIfLoaded(), nullptr);
    w().close();
    EXPECT_EQ(exits.count(), 2);
}

} // namespace
} // namespace qvx::test
