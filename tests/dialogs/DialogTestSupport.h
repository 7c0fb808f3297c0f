#pragma once
#include "AppHarness.h"
#include "Samples.h"

#include "app/AppContext.h"
#include "programmer/ProgrammerWindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace qvx::test {

// Replaces a box's text the way a user does: select everything, then type.
inline void RetypeText(QLineEdit *box, const QString &text)
{
    box->selectAll();
    if (text.isEmpty())
        QTest::keyClick(box, Qt::Key_Backspace);
    else
        QTest::keyClicks(box, text);
}

// Closes a window that deletes itself on close and waits until it is gone.
template <typename Window>
bool CloseAndWaitGone(Window *window)
{
    QPointer<Window> guard(window);
    window->close();
    return QTest::qWaitFor([&] { return guard.isNull(); }, 2000);
}

// The program on test doubles with its programmer window hidden and nothing sent yet.
struct DialogTest : ::testing::Test {
    DialogTest() { h.endpoint.clearSent(); }
    // The deferred-write timer's expiry, as the programmer window runs it.
    void fireDeferredWrite() { h.app().programmer()->sendDeferredWrite(); }
    void expectWarning(const QString &text) { EXPECT_EQ(h.messages.messages, Warning(text)); }

    AppHarness h{true, false};
};

const QByteArray kLogoutRequest = Hex("3C236702AAAABD3E");

} // namespace qvx::test
