#pragma once
#include "AppHarness.h"
#include "Samples.h"

#include "protocol/WriteSequence.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

namespace qvx::test {

const QByteArray kLogoutRequest = Hex("3C236702AAAABD3E");

// The program on test doubles with its programmer window hidden and nothing sent yet.
struct DialogTest : ::testing::Test {
    DialogTest() { h.endpoint.clearSent(); }

    // Shows a dialog the way the programmer window's button does.
    template <typename Dialog>
    Dialog *open(Dialog *dialog)
    {
        dialog->show();
        return dialog;
    }
    // The deferred-write timer's expiry.
    void fireDeferredWrite() { h.app().writeSequence().sendNow(); }
    // Presses a button, lets the write timer fire and returns what was sent.
    QList<QByteArray> pressAndWrite(QPushButton *button)
    {
        h.endpoint.clearSent();
        h.messages.clear();
        button->click();
        fireDeferredWrite();
        return h.endpoint.frames();
    }
    void expectWarning(const QString &text)
    {
        EXPECT_EQ(h.messages.messages, (QList<ShownMessage>{{text, "Message Warning", MessageIcon::Exclamation}}));
    }

    AppHarness h{true, false};
};

// Closes a window that deletes itself on close and waits until it is gone.
inline bool CloseAndWaitGone(QWidget *window)
{
    QPointer<QWidget> guard(window);
    window->close();
    return QTest::qWaitFor([&] { return guard.isNull(); }, 2000);
}

} // namespace qvx::test
