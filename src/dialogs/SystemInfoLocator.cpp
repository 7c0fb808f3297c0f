#include "dialogs/SystemInfoLocator.h"

#include "platform/ProcessLauncher.h"

#include <QStringList>

#ifdef Q_OS_WIN
#include "dialogs/WindowsSystemInfoLocator.h"
#endif

namespace qvx {

LinuxSystemInfoLocator::LinuxSystemInfoLocator(ProcessLauncher &processes) : m_processes(processes) {}

const QStringList &LinuxSystemInfoLocator::candidates()
{
    static const QStringList names{
        QStringLiteral("gnome-system-monitor"), QStringLiteral("plasma-systemmonitor"),
        QStringLiteral("ksysguard"),            QStringLiteral("xfce4-taskmanager"),
        QStringLiteral("mate-system-monitor"),  QStringLiteral("hardinfo"),
        QStringLiteral("lxtask"),
    };
    return names;
}

bool LinuxSystemInfoLocator::startSystemInfo()
{
    const QString program = m_processes.findExecutable(candidates());
    if (program.isEmpty())
        return false;
    return m_processes.startDetached(program, {});
}

bool LinuxSystemInfoLocator::readRegistryValue(quint32, const QString &, const QString &, QString &keyValue)
{
    keyValue.clear();
    return false;
}

std::unique_ptr<SystemInfoLocator> createSystemInfoLocator(ProcessLauncher &processes)
{
#ifdef Q_OS_WIN
    return std::make_unique<WindowsSystemInfoLocator>(processes);
#else
    return std::make_unique<LinuxSystemInfoLocator>(processes);
#endif
}

} // namespace qvx
