#pragma once
#include <QtGlobal>

#ifdef Q_OS_WIN
#include "dialogs/SystemInfoLocator.h"

namespace qvx {

// Windows: MSINFO32, found through the registry as the system's Shared Tools record it.
class WindowsSystemInfoLocator : public SystemInfoLocator {
public:
    explicit WindowsSystemInfoLocator(ProcessLauncher &processes);

    bool StartSysInfo() override;
    bool GetKeyValue(quint32 prml_KeyRoot, const QString &prms_KeyName, const QString &prms_SubKeyRef,
                     QString &prms_KeyVal) override;

private:
    ProcessLauncher &m_processes;
};

} // namespace qvx
#endif
