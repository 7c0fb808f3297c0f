// The discovery window as it opens: its layout and the local network card panel.
#include "DiscoveryFixture.h"

#include <QGroupBox>
#include <QHeaderView>

#include "UnderWine.h"

namespace qvx::test {
namespace {

using DiscoveryWindowTest = DiscoveryTest;

TEST_F(DiscoveryWindowTest, FitsALaptopScreenWithEveryCaptionAndHeaderWhole)
{
    if (runningUnderWine())
        GTEST_SKIP() << "measured with Wine's fonts, not Windows's";
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    EXPECT_LE(w.sizeHint().width(), 1366);
    EXPECT_LE(w.sizeHint().height(), 768 - 70) << "room for the title bar and a task bar";
    for (QLabel *label : w.findChildren<QLabel *>()) {
        if (!label->text().isEmpty() && label->isVisibleTo(&w)) {
            EXPECT_GE(label->width(), label->sizeHint().width()) << label->objectName().toStdString();
        }
    }
    for (QAbstractButton *button : w.findChildren<QAbstractButton *>())
        EXPECT_GE(button->width(), button->sizeHint().width()) << button->objectName().toStdString();
    for (QGroupBox *frame : w.findChildren<QGroupBox *>())
        EXPECT_GE(frame->width(), frame->minimumSizeHint().width()) << frame->objectName().toStdString();

    // The 28 settings columns, then the card: at least their width in twips, every header
    // and the widest usual value whole.
    auto *grid = control<QTableView>("grdDevice");
    ASSERT_EQ(grid->model()->columnCount(), 29);
    EXPECT_EQ(grid->model()->headerData(28, Qt::Horizontal).toString(), "Network card");
    QHeaderView *header = grid->horizontalHeader();
    for (int c = 0; c < 29; ++c) {
        const int twips = c == 28 ? 2400 : (c >= 4 && c <= 11) ? 900 : 1600;
        EXPECT_GE(header->sectionSize(c), twips * w.logicalDpiX() / 1440) << c;
        EXPECT_GE(header->sectionSize(c), header->sectionSizeHint(c)) << c;
    }
    EXPECT_GE(header->sectionSize(1), grid->fontMetrics().horizontalAdvance("255.255.255.255"));
}

} // namespace
} // namespace qvx::test
