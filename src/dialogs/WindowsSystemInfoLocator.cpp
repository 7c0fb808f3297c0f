// Built only for Windows; elsewhere this file compiles to nothing.
#include <QtGlobal>

#ifdef Q_OS_WIN
#include "dialogs/WindowsSystemInfoLocator.h"

#include "platform/ProcessLauncher.h"

#include <QByteArray>
#include <QFileInfo>

#include <windows.h>

namespace qvx {

namespace {

// Registry root, access mask and value types as the registry API numbers them.
constexpr quint32 kLocalMachine = 0x80000002u; // HKEY_LOCAL_MACHINE
constexpr REGSAM kKeyAccess = 0x2003F;
constexpr DWORD kValueText = 1;   // REG_SZ
constexpr DWORD kValueNumber = 4; // REG_DWORD
constexpr DWORD kBufferSize = 1024;

const char *const kMsInfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const char *const kMsInfoValue = "PATH";
const char *const kSharedToolsKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
const char *const kSharedToolsValue = "MSINFO";

} // namespace

WindowsSystemInfoLocator::WindowsSystemInfoLocator(ProcessLauncher &processes) : m_processes(processes) {}

bool WindowsSystemInfoLocator::readRegistryValue(quint32 keyRoot, const QString &keyName,
                                           const QString &subKeyRef, QString &keyValue)
{
    HKEY key = nullptr;
    const QByteArray keyName = keyName.toLocal8Bit();
    if (RegOpenKeyExA(reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(keyRoot)), keyName.constData(), 0,
                      kKeyAccess, &key) != ERROR_SUCCESS) {
        keyValue.clear();
        return false;
    }

    QByteArray buffer(int(kBufferSize), '\0');
    DWORD size = kBufferSize;
    DWORD type = 0;
    const QByteArray valueName = subKeyRef.toLocal8Bit();
    const LONG read = RegQueryValueExA(key, valueName.constData(), nullptr, &type,
                                       reinterpret_cast<LPBYTE>(buffer.data()), &size);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS) {
        keyValue.clear();
        return false;
    }

    if (type == kValueText) {
        const int end = buffer.indexOf('\0');
        keyValue = QString::fromLocal8Bit(end < 0 ? buffer : buffer.left(end));
    } else if (type == kValueNumber) {
        // Four bytes, low byte first.
        quint32 number = 0;
        for (int i = 3; i >= 0; --i)
            number = (number << 8) | static_cast<quint8>(buffer[i]);
        keyValue = QString::number(number);
    }
    return true;
}

bool WindowsSystemInfoLocator::startSystemInfo()
{
    QString path;
    if (readRegistryValue(kLocalMachine, QString::fromLatin1(kMsInfoKey), QString::fromLatin1(kMsInfoValue), path))
        return m_processes.startDetached(path, {});

    if (readRegistryValue(kLocalMachine, QString::fromLatin1(kSharedToolsKey), QString::fromLatin1(kSharedToolsValue), path)) {
        const QString program = path + QStringLiteral("\\MSINFO32.EXE");
        if (QFileInfo::exists(program))
            return m_processes.startDetached(program, {});
    }
    return false;
}

} // namespace qvx
#endif
