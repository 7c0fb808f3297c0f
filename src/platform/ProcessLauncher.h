#pragma once
#include <QString>
#include <QStringList>

namespace qvx {

// Starts an external program without waiting for it.
class ProcessLauncher {
public:
    virtual ~ProcessLauncher() = default;
    // True when the program was started.
    virtual bool startDetached(const QString &program, const QStringList &arguments) = 0;
    // Full path of the first of the named programs found on the search path, or empty.
    virtual QString findExecutable(const QStringList &names) const = 0;
};

class QtProcessLauncher : public ProcessLauncher {
public:
    bool startDetached(const QString &program, const QStringList &arguments) override;
    QString findExecutable(const QStringList &names) const override;
};

} // namespace qvx
