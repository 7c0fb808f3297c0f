// qvx-bench: the program's performance figures, one mode per run (scripts/bench runs them
// all and prints one table). Everything runs offscreen; datagrams go to loopback only.
//   qvx-bench storm <devices> [--default-buffer] [--reps n]
//   qvx-bench dispatch | click | startup | cards
#include "Benches.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s storm <devices> [--default-buffer] [--reps n] | dispatch | click | startup | cards\n",
                     argv[0]);
        return 2;
    }
    const char *mode = argv[1];
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (std::strcmp(mode, "startup") == 0) {
        QStringList args;
        for (int i = 2; i < argc; ++i)
            args << QString::fromLocal8Bit(argv[i]);
        // The measured processes are started by path; /proc/self/exe is this very program.
        return qvx::bench::runStartup(args, "/proc/self/exe");
    }

    QApplication app(argc, argv);
    QStringList args = QApplication::arguments().mid(2);
    if (std::strcmp(mode, "startup-child") == 0)
        return qvx::bench::runStartupChild(args);
    if (std::strcmp(mode, "storm") == 0)
        return qvx::bench::runStorm(args);
    if (std::strcmp(mode, "dispatch") == 0)
        return qvx::bench::runDispatch(args);
    if (std::strcmp(mode, "click") == 0)
        return qvx::bench::runClick(args);
    if (std::strcmp(mode, "cards") == 0)
        return qvx::bench::runCards(args);
    std::fprintf(stderr, "unknown mode %s\n", mode);
    return 2;
}
