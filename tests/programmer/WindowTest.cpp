#include "ProgrammerFixture.h"

#include "dialogs/SourceFilterDialog.h"
#include "dialogs/BridgeDialog.h"
#include "dialogs/MacAddressDialog.h"
#include "discovery/DiscoveryWindow.h"
#include "login/LoginDialog.h"

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
    EXPECT_EQ(state().deviceAddress, (std::array<qint16, 4>{192, 168, 0, 1}));
    EXPECT_EQ(Dotted(w().expectedAddressBoxes), "192.168.0.1");

    for (QPushButton *b : {w().logoutButton, w().uploadButton, w().sourceFilterButton, w().bridgeButton, w().macAutomaticButton,
                           w().macManualButton})
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    for (QPushButton *b : {w().loginButton, w().downloadButton, w().setDefaultButton, w().baudOnTheFlyButton, w().discoveryButton, w().exitButton})
        EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();
    EXPECT_FALSE(h.app().replyTimer().isCounting());
    EXPECT_FALSE(h.app().loginPollTimer().isEnabled());
    EXPECT_FALSE(h.app().deferredWriteTimer().isEnabled());

    for (QLineEdit *box : w().macAddressBoxes)
        EXPECT_FALSE(box->isEnabled());
    for (auto *boxes : {&w().ipAddressBoxes, &w().subnetMaskBoxes, &w().gatewayBoxes, &w().tcpServerAddressBoxes})
        EXPECT_EQ(Dotted(*boxes), "...");
    EXPECT_EQ(w().baudRateList->currentIndex(), -1);
    EXPECT_EQ(w().baudRateIndex, 0);
    EXPECT_TRUE(w().autoUartTimeout->isChecked());
    EXPECT_TRUE(w().autoTimeoutMode);
    EXPECT_FALSE(w().manualTimeoutMode);
    EXPECT_FALSE(w().uartTimeoutBox->isEnabled());
    for (QRadioButton *o : w().findChildren<QRadioButton *>()) {
        const bool checked = QList<QRadioButton *>{w().autoUartTimeout, w().eightDataBits, w().noParity, w().oneStopBit,
                                                   w().timeoutToDefaultOn}.contains(o);
        EXPECT_EQ(o->isChecked(), checked) << o->objectName().toStdString();
    }
    EXPECT_TRUE(w().firmwareLabel->text().isEmpty());
    EXPECT_TRUE(w().loginStatusLabel->text().isEmpty());
}

TEST(WindowLoad, AHiddenWindowNeverActivatedDoesNotPoll)
{
    AppHarness hidden(true, false);
    EXPECT_FALSE(hidden.app().loginPollTimer().isEnabled());
    EXPECT_FALSE(hidden.app().programmer()->logoutButton->isEnabled());
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
    EXPECT_EQ(w().ipAddressBoxes[0]->accessibleName(), "Device IP-Address: octet 1 of 4");
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
    QTest::mouseClick(w().loginButton, Qt::LeftButton);
    ASSERT_NE(h.app().loginIfLoaded(), nullptr);
    EXPECT_TRUE(h.app().loginIfLoaded()->isVisible());
    EXPECT_FALSE(h.app().loginIfLoaded()->isModal());
    QTest::mouseClick(w().discoveryButton, Qt::LeftButton);
    ASSERT_NE(h.app().discoveryIfLoaded(), nullptr);
    EXPECT_TRUE(h.app().discoveryIfLoaded()->isVisible());

    w().setWriteButtonsEnabled(true);
    QTest::mouseClick(w().macManualButton, Qt::LeftButton);
    ASSERT_NE(h.app().macAddressIfLoaded(), nullptr);
    EXPECT_TRUE(h.app().macAddressIfLoaded()->isVisible());
    EXPECT_TRUE(h.endpoint.sent.isEmpty()); // the discovery window may re-aim, but nothing leaves

    QTest::mouseClick(w().sourceFilterButton, Qt::LeftButton);
    ASSERT_NE(h.app().sourceIfLoaded(), nullptr);
    EXPECT_TRUE(h.app().sourceIfLoaded()->isVisible());
    QTest::mouseClick(w().bridgeButton, Qt::LeftButton);
    ASSERT_NE(h.app().bridgeIfLoaded(), nullptr);
    EXPECT_TRUE(h.app().bridgeIfLoaded()->isVisible());
    EXPECT_EQ(h.endpoint.frames(), (QList<QByteArray>{Hex("3C236902AAAABF3E"), Hex("3C236E02AAAAC43E")}));
    EXPECT_EQ(h.endpoint.sent[0].host, "192.168.0.1");
}

TEST_F(WindowButtons, ExitAndTheTitleBarEndTheProgram)
{
    QSignalSpy exits(&h.app(), &AppContext::exitRequested);
    QTest::mouseClick(w().exitButton, Qt::LeftButton);
    EXPECT_EQ(exits.count(), 1);
    EXPECT_EQ(h.app().discoveryIfLoaded(), nullptr);
    w().close();
    EXPECT_EQ(exits.count(), 2);
}

} // namespace
} // namespace qvx::test
