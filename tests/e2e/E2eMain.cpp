// Runs only inside the program namespace that netns.sh creates: the program's defaults
// (192.168.0.1, 239.0.0.8) must never reach a real network.
#include <QApplication>

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/stat.h>

int main(int argc, char **argv)
{
    constexpr int kSkip = 77;
    struct stat self {}, init {};
    const bool hostNamespace = ::stat("/proc/self/ns/net", &self) == 0 && ::stat("/proc/1/ns/net", &init) == 0 &&
                               self.st_ino == init.st_ino && self.st_dev == init.st_dev;
    if (qgetenv("QVX_E2E_NETNS") != "1" || hostNamespace) {
        std::fprintf(stderr, "test_e2e: runs only inside the namespaces of tests/e2e/netns.sh (ctest -L e2e)\n");
        return kSkip;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
