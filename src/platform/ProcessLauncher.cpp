#include "platform/ProcessLauncher.h"

#include <QProcess>
#include <QStandardPaths>

namespace qvx {

bool QtProcessLauncher::startDetached(const QString &program, const QStringList &arguments)
{
    return QProcess::startDetached(program, arguments);
}

QString QtProcessLauncher::findExecutable(const QStringList &names) const
{
    for (const QString &name : names) {
        const QString path = QStandardPaths::findExecutable(name);
        if (!path.isEmpty())
            return path;
    }
    return {};
}

} // namespace qvx
