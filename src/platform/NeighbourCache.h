#pragma once
#include <QString>

namespace qvx {

class ProcessLauncher;

// The helper that flushes the host's neighbour (ARP) cache, so that a device's new MAC
// address is learned afresh: a shell script on Linux, a small program on Windows.
QString neighbourCacheHelperName();

// Its full path, from the folder of the running executable only, never through the current
// folder or the search path: on Linux beside the executable or in ../libexec/qvxfinder
// (helperScriptPath), on Windows beside the executable.
QString neighbourCacheHelperPath(const QString &applicationDir);

// Starts the helper without waiting. It needs administrator rights; without them, or when it
// cannot be started, it fails quietly: nothing is reported.
void startNeighbourCacheFlush(ProcessLauncher &processes, const QString &applicationDir);

} // namespace qvx
