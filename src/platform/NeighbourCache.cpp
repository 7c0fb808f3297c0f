#include "platform/NeighbourCache.h"

#include "platform/HelperScriptPath.h"
#include "platform/ProcessLauncher.h"

#include <QDir>

namespace qvx {

QString neighbourCacheHelperName()
{
#ifdef Q_OS_WIN
    return QStringLiteral("qvx-flush-neighbours.exe");
#else
    return QStringLiteral("clearArp.sh");
#endif
}

QString neighbourCacheHelperPath(const QString &applicationDir)
{
#ifdef Q_OS_WIN
    return QDir::toNativeSeparators(QDir(applicationDir).filePath(neighbourCacheHelperName()));
#else
    return helperScriptPath(applicationDir, neighbourCacheHelperName());
#endif
}

void startNeighbourCacheFlush(ProcessLauncher &processes, const QString &applicationDir)
{
    processes.startDetached(neighbourCacheHelperPath(applicationDir), {});
}

} // namespace qvx
