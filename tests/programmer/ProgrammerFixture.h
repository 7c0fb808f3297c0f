#pragma once
#include "AppHarness.h"

#include "programmer/frm01UDPClient.h"
#include "protocol/Frame.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace qvx::test {

// The program started on test doubles, with the programmer window shown and active.
class ProgrammerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        w().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w()));
    }

    frm01UDPClient &w() { return *h.app().programmer(); }
    ProgramState &state() { return h.state(); }

    static QByteArray bytes(std::initializer_list<int> values)
    {
        QByteArray out;
        for (int v : values)
            out.append(static_cast<char>(v));
        return out;
    }

    // Fills every octet, port and server box with an acceptable value, so that moving the
    // focus around never trips another box's leaving check.
    void fillValidSettings()
    {
        for (int i = 0; i < 6; ++i)
            w().txtMacAddress[i]->setText(QStringLiteral("0%1").arg(i));
        for (auto *boxes : {&w().txtIPAddress, &w().txtSubnetMask, &w().txtGateway, &w().txtTcpServer})
            for (QLineEdit *box : *boxes)
                box->setText(QStringLiteral("1"));
        w().txtUDPLocalPort->setText(QStringLiteral("4096"));
        w().txtUDPRemotePort->setText(QStringLiteral("4097"));
    }

    // Puts the focus into a box the way a click would.
    static void focusBox(QLineEdit *box)
    {
        box->setFocus(Qt::MouseFocusReason);
        ASSERT_TRUE(box->hasFocus());
    }

    // Types into a focused box and leaves it with the Tab key.
    static void typeAndTab(QLineEdit *box, const QString &text)
    {
        focusBox(box);
        box->clear();
        if (!text.isEmpty())
            QTest::keyClicks(box, text);
        QTest::keyClick(box, Qt::Key_Tab);
    }

    AppHarness h;
};

} // namespace qvx::test
