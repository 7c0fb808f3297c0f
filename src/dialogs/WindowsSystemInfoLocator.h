#pragma once
#include <QtGlobal>

#ifdef Q_OS_WIN
#include "dialogs/SystemInfoLocator.h"

namespace qvx {

// Windows: MSINFO32, found through the registry as the system's Shared Tools record it.
class WindowsSystemInfoLocator : public SystemInfoLocator {
public:
    explicit WindowsSystemInfoLocator(ProcessLauncher &processes);

    bool startSystemInfo() override;
    bool readRegistryValue(quint32 keyRoot, const QString &keyName, const QString &subKeyRef,
                     QString &keyValue) override;

private:
    ProcessLauncher &m_processes;
};

} // namespace qvx
#endif
