#pragma once
#include "AppHarness.h"

#include "login/LoginDialog.h"
#include "programmer/ProgrammerWindow.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace qvx::test {

// Waits until the widget's window is the application's active window. (A window counts as
// active for QWindow::isActive while its transient dialog has the focus, so
// QTest::qWaitForWindowActive would not tell the two apart.)
inline bool WaitActive(QWidget *w)
{
    QWidget *window = w->window();
    return QTest::qWaitFor([window] { return QApplication::activeWindow() == window; });
}

// The whole program on test doubles with the login dialog shown and active, as after a
// click on the programmer window's "Login".
class LoginDialogFixture : public ::testing::Test {
protected:
    void SetUp() override { open(true); }

    void open(bool showProgrammer)
    {
        harness = std::make_unique<AppHarness>(true, showProgrammer);
        harness->endpoint.clearSent();
        dlg = harness->app().login();
        dlg->show();
        ASSERT_TRUE(WaitActive(dlg));
    }

    ProgramState &state() { return harness->state(); }
    ProgrammerWindow *programmer() { return harness->app().programmer(); }

    // The user goes back to the programmer window.
    void activateProgrammer()
    {
        programmer()->show();
        programmer()->activateWindow();
        ASSERT_TRUE(WaitActive(programmer()));
    }

    // Hides the dialog and shows it again from the programmer window, as its "Login" does.
    void reopen()
    {
        dlg->hide();
        activateProgrammer();
        dlg->show();
        ASSERT_TRUE(WaitActive(dlg));
    }

    static void type(QLineEdit *box, const QString &keys) { QTest::keyClicks(box, keys); }

    std::unique_ptr<AppHarness> harness;
    LoginDialog *dlg = nullptr;
};

} // namespace qvx::test
