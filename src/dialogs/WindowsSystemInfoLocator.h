#pragma once
#include "dialogs/SystemInfoLocator.h"

#include <QStringList>

namespace qvx {

// Windows: System Information (msinfo32.exe), found by full path only, never by its bare name
// or in the current folder: where the registry's Shared Tools records put it, else in the
// system folder.
class WindowsSystemInfoLocator : public SystemInfoLocator {
public:
    explicit WindowsSystemInfoLocator(ProcessLauncher &processes);

    // The full paths the program is looked for at, in order (whether they exist or not).
    QStringList candidatePaths();

    bool startSystemInfo() override;
    bool readRegistryValue(quint32 keyRoot, const QString &keyName, const QString &subKeyRef,
                           QString &keyValue) override;

private:
    ProcessLauncher &m_processes;
};

} // namespace qvx
