#include "RecordingSeams.h"

namespace qvx::test {

QStringList RecordingMessageSink::texts() const
{
    QStringList out;
    for (const ShownMessage &m : messages)
        out.append(m.text);
    return out;
}

QString RecordingProcessLauncher::findExecutable(const QStringList &names) const
{
    for (const QString &name : names)
        for (const auto &entry : onPath)
            if (entry.first == name)
                return entry.second;
    return {};
}

} // namespace qvx::test
