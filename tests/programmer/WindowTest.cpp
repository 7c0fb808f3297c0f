// The programmer window as a window: its size, the windows its buttons open, the end of the
// program, and a start without activation.
#include "ProgrammerFixture.h"

#include "UnderWine.h"
#include "app/AppContext.h"

#include <QSignalSpy>

namespace qvx::test {
namespace {

using Window = ProgrammerTest;

TEST(WindowStart, AHiddenWindowNeverActivatedDoesNotPollAndSendsNothing)
{
    AppHarness hidden(true, false);
    EXPECT_FALSE(hidden.app().loginPollTimer().isEnabled());
    EXPECT_FALSE(Find<QPushButton>(hidden.app().programmer(), "cmdLogout")->isEnabled());
    EXPECT_EQ(hidden.endpoint.boundPort, 65000);
    EXPECT_TRUE(hidden.endpoint.sent.isEmpty());
}

TEST_F(Window, FitsALaptopScreenWithEveryCaptionWhole)
{
    if (runningUnderWine())
        GTEST_SKIP() << "measured with Wine's fonts, not Windows's";
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

TEST_F(Window, EachButtonOpensItsWindowAndSourceAndBridgeReadTheirSettingsFirst)
{
    logIn();
    const struct { const char *button; std::function<QWidget *()> opened; } cases[] = {
        {"cmdLogin", [&]() -> QWidget * { return h.app().loginIfLoaded(); }},
        {"cmdDiscovery", [&]() -> QWidget * { return h.app().discoveryIfLoaded(); }},
        {"cmdResetMacManual", [&]() -> QWidget * { return h.app().macAddressIfLoaded(); }},
        {"cmdSource", [&]() -> QWidget * { return h.app().sourceIfLoaded(); }},
        {"cmdBridge", [&]() -> QWidget * { return h.app().bridgeIfLoaded(); }},
    };
    for (const auto &c : cases) {
        QTest::mouseClick(button(c.button), Qt::LeftButton);
        ASSERT_NE(c.opened(), nullptr) << c.button;
        EXPECT_TRUE(c.opened()->isVisible()) << c.button;
        EXPECT_FALSE(c.opened()->isModal()) << c.button;
    }
    EXPECT_EQ(h.endpoint.frames(), (QList<QByteArray>{Hex("3C236902AAAABF3E"), Hex("3C236E02AAAAC43E")}));
    EXPECT_EQ(h.endpoint.sent[0].host, "192.168.0.1");
}

TEST_F(Window, ExitAndTheTitleBarEndTheProgram)
{
    QSignalSpy exits(&h.app(), &AppContext::exitRequested);
    QTest::mouseClick(button("cmdDiscovery"), Qt::LeftButton);
    QTest::mouseClick(button("cmdExit"), Qt::LeftButton);
    EXPECT_EQ(exits.count(), 1);
    EXPECT_EQ(h.app().discoveryIfLoaded(), nullptr); // closed first
    w().close();
    EXPECT_EQ(exits.count(), 2);
}

} // namespace
} // namespace qvx::test
