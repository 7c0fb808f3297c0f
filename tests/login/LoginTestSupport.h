#pragma once
#include "AppHarness.h"

#include "login/frm02Login.h"
#include "programmer/frm01UDPClient.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace qvx::test {

// The whole program on test doubles with the login dialog shown and active, as after a
// click on the programmer window's "Login".
class LoginDialogFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        harness = std::make_unique<AppHarness>(true, showProgrammer());
        dlg = harness->app().login();
        ASSERT_NE(dlg, nullptr);
        dlg->show();
        ASSERT_TRUE(waitActive(dlg));
    }

    void TearDown() override { harness.reset(); }

    virtual bool showProgrammer() const { return true; }

    ProgramState &state() { return harness->state(); }
    FakeEndpoint &endpoint() { return harness->endpoint; }
    frm01UDPClient *programmer() { return harness->app().programmer(); }

    // Waits until the widget's window is the application's active window. (A window
    // counts as active for QWindow::isActive while its transient dialog has the focus,
    // so QTest::qWaitForWindowActive would not tell the two apart.)
    static bool waitActive(QWidget *w)
    {
        QWidget *window = w->window();
        return QTest::qWaitFor([window] { return QApplication::activeWindow() == window; });
    }

    // The user goes back to the programmer window.
    void activateProgrammer()
    {
        programmer()->show();
        programmer()->activateWindow();
        ASSERT_TRUE(waitActive(programmer()));
    }

    // Hides the dialog and shows it again from the programmer window, as its "Login" does.
    void reopen()
    {
        dlg->hide();
        activateProgrammer();
        dlg->show();
        ASSERT_TRUE(waitActive(dlg));
    }

    static void type(QLineEdit *box, const QString &keys) { QTest::keyClicks(box, keys); }

    // One key press and release carrying the given text, as a keyboard would send it.
    static void sendKey(QLineEdit *box, Qt::Key key, const QString &text,
                        Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QTest::sendKeyEvent(QTest::Click, box, key, text, mods);
    }

    std::unique_ptr<AppHarness> harness;
    frm02Login *dlg = nullptr;
};

} // namespace qvx::test
