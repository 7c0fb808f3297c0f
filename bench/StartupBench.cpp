// Start-up: from the start of a fresh process to the programmer window shown (exposed on
// the offscreen screen), and the peak memory once 5,000 devices are listed.
//
// The parent starts "startup-child" several times and times each from just before the
// process is created to the line the child writes once its window is exposed. The child is
// the program as main() builds it, except for its seams: a test endpoint that sends nothing,
// recording message sink and process launcher, no network adapter.
#include "Benches.h"

#include "BenchCommon.h"
#include "FakeEndpoint.h"
#include "ProgramRig.h"

#include "programmer/ProgrammerWindow.h"

#include <QApplication>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace qvx::bench {

namespace {

struct ChildRun {
    bool ok = false;
    double shownMs = 0;
    long hwmShownKiB = -1;
    long hwmRowsKiB = -1;
    int rows = 0;
};

// Reads one line from the descriptor (blocking), without the line feed.
bool readLine(int fd, std::string &line)
{
    line.clear();
    char c = 0;
    while (true) {
        const ssize_t n = ::read(fd, &c, 1);
        if (n <= 0)
            return false;
        if (c == '\n')
            return true;
        line.push_back(c);
    }
}

ChildRun runChild(const char *self)
{
    ChildRun run;
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    char arg0[] = "qvx-bench";
    char arg1[] = "startup-child";
    char *argv[] = {arg0, arg1, nullptr};

    const auto start = Clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, self, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (spawned != 0) {
        ::close(pipeFds[0]);
        return run;
    }
    std::string line;
    if (readLine(pipeFds[0], line) && line == "shown") {
        run.shownMs = msSince(start);
        if (readLine(pipeFds[0], line))
            run.ok = std::sscanf(line.c_str(), "memory %ld %ld %d", &run.hwmShownKiB, &run.hwmRowsKiB, &run.rows) == 3;
    }
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.ok = run.ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

} // namespace

int runStartup(const QStringList &, const char *self)
{
    constexpr int kRuns = 7;
    std::vector<ChildRun> runs;
    for (int i = 0; i < kRuns; ++i) {
        const ChildRun run = runChild(self);
        if (!run.ok) {
            std::fprintf(stderr, "startup: child run %d failed\n", i);
            return 1;
        }
        runs.push_back(run);
    }
    std::vector<double> times;
    long hwmShown = 0, hwmRows = 0;
    for (const ChildRun &run : runs) {
        times.push_back(run.shownMs);
        hwmShown = std::max(hwmShown, run.hwmShownKiB);
        hwmRows = std::max(hwmRows, run.hwmRowsKiB);
    }
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    printFigure(
        QStringLiteral("start to programmer window shown (median / max)"),
        QStringLiteral("%1 / %2").arg(formatMs(median), formatMs(times.back())), QStringLiteral("< 300 ms"),
        verdictText(median < 300),
        QStringLiteral("%1 fresh processes, offscreen, same libraries as qvxfinder; process creation, Qt start, "
                       "window built, loaded and exposed; test endpoint (sends nothing)")
            .arg(kRuns));
    printFigure(QStringLiteral("peak memory (VmHWM) at start / after %1 rows").arg(runs.front().rows),
                QStringLiteral("%1 / %2 MiB").arg(hwmShown / 1024.0, 0, 'f', 1).arg(hwmRows / 1024.0, 0, 'f', 1),
                QStringLiteral("-"), QStringLiteral("-"),
                QStringLiteral("same processes; then 5,000 discovery replies in one arrival into the shown discovery "
                               "window; worst of %1")
                    .arg(kRuns));
    return 0;
}

int runStartupChild(const QStringList &)
{
    test::FakeEndpoint endpoint;
    ProgramRig rig(endpoint);
    if (!waitExposed(rig.ctx->programmer()))
        return 1;
    std::printf("shown\n");
    std::fflush(stdout);
    const long hwmShown = procStatusKiB("VmHWM");

    DiscoveryWindow &window = rig.discovery();
    waitExposed(&window);
    const std::vector<QByteArray> replies = deviceReplies(5000);
    endpoint.injectDatagrams(QList<QByteArray>(replies.begin(), replies.end()));
    QCoreApplication::processEvents();
    std::printf("memory %ld %ld %d\n", hwmShown, procStatusKiB("VmHWM"), window.deviceRows().deviceCount());
    std::fflush(stdout);
    return 0;
}

} // namespace qvx::bench
