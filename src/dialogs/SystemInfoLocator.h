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
    virtual bool StartSysInfo() = 0;

    // Reads one value of the platform registry: prml_KeyRoot is the root key, prms_KeyName
    // the key path, prms_SubKeyRef the value name. True when the value was read; the text
    // receives it (a text as it is, a 32-bit number in decimal). Platforms without a
    // registry read nothing.
    virtual bool GetKeyValue(quint32 prml_KeyRoot, const QString &prms_KeyName, const QString &prms_SubKeyRef,
                             QString &prms_KeyVal) = 0;
};

// Linux and other desktops: the first of the common system monitors on the search path.
class LinuxSystemInfoLocator : public SystemInfoLocator {
public:
    explicit LinuxSystemInfoLocator(ProcessLauncher &processes);

    // Looked for in this order.
    static const QStringList &Candidates();

    bool StartSysInfo() override;
    bool GetKeyValue(quint32 prml_KeyRoot, const QString &prms_KeyName, const QString &prms_SubKeyRef,
                     QString &prms_KeyVal) override;

private:
    ProcessLauncher &m_processes;
};

// The locator of the platform this program was built for.
std::unique_ptr<SystemInfoLocator> CreateSystemInfoLocator(ProcessLauncher &processes);

} // namespace qvx
