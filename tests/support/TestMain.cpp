#include <QApplication>
#include <gtest/gtest.h>

// Every GUI test binary runs offscreen with one QApplication for all its tests.
int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
