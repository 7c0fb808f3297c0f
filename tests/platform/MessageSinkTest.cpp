#include "platform/QtMessageSink.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QTest>
#include <gtest/gtest.h>

using namespace qvx;

// Boxes open one at a time without blocking the caller, in order, and a message that is
// already shown or waiting is not stacked again.
TEST(QtMessageSinkTest, ShowsBoxesOneAtATimeInOrderWithoutDuplicates)
{
    QtMessageSink sink;
    for (int i = 0; i < 2; ++i) {
        sink.show(QStringLiteral("first"), QStringLiteral("Attention!"), MessageIcon::Critical);
        sink.show(QStringLiteral("second"), QStringLiteral("Message Warning"), MessageIcon::Exclamation);
    }
    QMessageBox *box = sink.currentBox();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(box->text(), "first");
    EXPECT_EQ(box->windowTitle(), "Attention!");
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
    EXPECT_EQ(sink.waitingCount(), 1);

    box->button(QMessageBox::Ok)->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return sink.currentBox() && sink.currentBox()->text() == "second"; }, 2000));
    EXPECT_EQ(sink.currentBox()->icon(), QMessageBox::Warning);
    EXPECT_EQ(sink.waitingCount(), 0);

    // Once closed, the same message may be shown again; a box without icon shows none.
    sink.currentBox()->button(QMessageBox::Ok)->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return sink.currentBox() == nullptr; }, 2000));
    sink.show(QStringLiteral("second"), QStringLiteral("QvxFinder"), MessageIcon::None);
    ASSERT_NE(sink.currentBox(), nullptr);
    EXPECT_EQ(sink.currentBox()->text(), "second");
    EXPECT_EQ(sink.currentBox()->icon(), QMessageBox::NoIcon);
}
