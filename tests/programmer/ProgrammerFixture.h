#pragma once
#include "AppHarness.h"
#include "Samples.h"

#include "programmer/ProgrammerWindow.h"
#include "protocol/Commands.h"
#include "protocol/Frame.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

namespace qvx::test {

// The texts of a row of boxes joined by dots: "10.0.0.254".
template <typename Boxes>
QString Dotted(const Boxes &boxes)
{
    QStringList parts;
    for (const auto *box : boxes)
        parts << box->text();
    return parts.join('.');
}

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

    // Fills every octet, port and server box with an acceptable value, so that moving the
    // focus around never trips another box's leaving check.
    void fillValidSettings()
    {
        for (int i = 0; i < 6; ++i)
            w().macAddressBoxes[i]->setText(QStringLiteral("0%1").arg(i));
        for (auto *boxes : {&w().ipAddressBoxes, &w().subnetMaskBoxes, &w().gatewayBoxes, &w().tcpServerAddressBoxes})
            for (QLineEdit *box : *boxes)
                box->setText(QStringLiteral("1"));
        w().localPortBox->setText(QStringLiteral("4096"));
        w().remotePortBox->setText(QStringLiteral("4097"));
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
        QTest::keyClicks(box, text);
        QTest::keyClick(box, Qt::Key_Tab);
    }

    // Exactly one message was shown, with this text, title and icon.
    void expectOneMessage(const QString &text, const QString &title, MessageIcon icon)
    {
        EXPECT_EQ(h.messages.messages, (QList<ShownMessage>{{text, title, icon}}));
    }

    AppHarness h;
};

} // namespace qvx::test
