#pragma once
#include <QString>
#include <QtGlobal>
#include <memory>

namespace qvx {

class ProcessLauncher;

// Finds and starts the platform's system information program for the About box.
class SystemInfoLocator {
public:
    virtual ~SystemInfoLocator() = default;

    // Starts the system information program without waiting for it. False when none is
    // available or it could not be started.
    virtual bool startSystemInfo() = 0;

    // Reads one value of the platform registry: keyRoot is the root key, keyName
    // the key path, subKeyRef the value name. True when the value was read; the text
    // receives it (a text as it is, a 32-bit number in decimal). Platforms without a
    // registry read nothing.
    virtual bool readRegistryValue(quint32 keyRoot, const QString &keyName, const QString &subKeyRef,
                             QString &keyValue) = 0;
};

// Linux and other desktops: the first of the common system monitors on the search path.
class LinuxSystemInfoLocator : public SystemInfoLocator {
public:
    explicit LinuxSystemInfoLocator(ProcessLauncher &processes);

    // Looked for in this order.
    static const QStringList &candidates();

    bool startSystemInfo() override;
    bool readRegistryValue(quint32 keyRoot, const QString &keyName, const QString &subKeyRef,
                     QString &keyValue) override;

private:
    ProcessLauncher &m_processes;
};

// The locator of the platform this program was built for.
std::unique_ptr<SystemInfoLocator> createSystemInfoLocator(ProcessLauncher &processes);

} // namespace qvx
