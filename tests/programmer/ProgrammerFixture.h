#pragma once
#include "AppHarness.h"
#include "Samples.h"

#include "dialogs/BridgeDialog.h"
#include "dialogs/MacAddressDialog.h"
#include "dialogs/SourceFilterDialog.h"
#include "discovery/DiscoveryWindow.h"
#include "login/LoginDialog.h"
#include "programmer/ProgrammerWindow.h"
#include "protocol/Commands.h"
#include "protocol/Frame.h"
#include "protocol/WriteSequence.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

namespace qvx::test {

const QByteArray kLogoutFrame = Hex("3C236702AAAABD3E");
const QString kRefusedTitle = QStringLiteral("Message Warning");
const QString kRangeTitle = QStringLiteral("Attention! - Value out of range");

// The program started on test doubles, with the programmer window shown and active.
class ProgrammerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        w().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w()));
    }

    ProgrammerWindow &w() { return *h.app().programmer(); }
    ProgramState &state() { return h.state(); }
    QLineEdit *box(const QString &name) { return Find<QLineEdit>(&w(), name); }
    QPushButton *button(const QString &name) { return Find<QPushButton>(&w(), name); }
    QRadioButton *option(const QString &name) { return Find<QRadioButton>(&w(), name); }
    QString dotted(const QString &base, int count = 4) { return Dotted<QLineEdit>(&w(), base, count); }
    // Sets the boxes "<base>_0".. to the dot-separated parts of `text`.
    void setBoxes(const QString &base, const QString &text)
    {
        const QStringList parts = text.split(QLatin1Char('.'));
        for (int i = 0; i < parts.size(); ++i)
            box(QStringLiteral("%1_%2").arg(base).arg(i))->setText(parts[i]);
    }

    // The device says the login holds: the writes are enabled (the poll is stopped again,
    // so that no poll leaves during a test).
    void logIn()
    {
        h.endpoint.injectReply(CmdLoginStatus, Bytes({255, 255, 0, 0}));
        h.app().loginPollTimer().setEnabled(false);
        h.endpoint.clearSent();
    }

    // Fills every device box with an acceptable value, so that leaving a box never trips
    // its check and an upload is accepted.
    void fillValidSettings()
    {
        setBoxes(QStringLiteral("txtMacAddress"), QStringLiteral("00.01.02.03.04.05"));
        for (const char *base : {"txtIPAddress", "txtSubnetMask", "txtGateway", "txtTcpServer"})
            setBoxes(QString::fromLatin1(base), QStringLiteral("1.1.1.1"));
        box(QStringLiteral("txtUDPLocalPort"))->setText(QStringLiteral("4096"));
        box(QStringLiteral("txtUDPRemotePort"))->setText(QStringLiteral("4097"));
    }

    // Types into a box, as after a click into it, and leaves it with the Tab key.
    static void typeAndTab(QLineEdit *box, const QString &text)
    {
        box->setFocus(Qt::MouseFocusReason);
        box->clear();
        QTest::keyClicks(box, text);
        QTest::keyClick(box, Qt::Key_Tab);
    }

    // The deferred-write timer's expiry.
    void fireDeferredWrite() { h.app().writeSequence().sendNow(); }

    AppHarness h;
};

} // namespace qvx::test
