#include "platform/HelperScriptPath.h"

#include <QDir>
#include <QFileInfo>

namespace qvx {

QString helperScriptPath(const QString &applicationDir, const QString &fileName)
{
    const QDir dir(applicationDir);
    const QString beside = dir.filePath(fileName);
    if (QFileInfo(beside).isFile())
        return beside;
    const QString installed = QDir::cleanPath(dir.filePath(QStringLiteral("../libexec/qvxfinder/") + fileName));
    if (QFileInfo(installed).isFile())
        return installed;
    return beside;
}

} // namespace qvx
