#include "dialogs/WindowsSystemInfoLocator.h"

#include "platform/ProcessLauncher.h"

#include <QDir>
#include <QFileInfo>

#include <windows.h>

#include <cstring>
#include <vector>

namespace qvx {

namespace {

constexpr quint32 kLocalMachine = 0x80000002u; // HKEY_LOCAL_MACHINE as a 32-bit number

// The registry's predefined keys are 32-bit numbers sign-extended to a handle
// (HKEY_LOCAL_MACHINE is 0xFFFFFFFF80000002 in a 64-bit program).
HKEY rootKey(quint32 keyRoot)
{
    return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(keyRoot)));
}

const wchar_t *wide(const QString &text)
{
    return reinterpret_cast<const wchar_t *>(text.utf16());
}

} // namespace

WindowsSystemInfoLocator::WindowsSystemInfoLocator(ProcessLauncher &processes) : m_processes(processes) {}

bool WindowsSystemInfoLocator::readRegistryValue(quint32 keyRoot, const QString &keyName,
                                                 const QString &subKeyRef, QString &keyValue)
{
    keyValue.clear();
    // Texts and 32-bit numbers; a REG_EXPAND_SZ text comes as REG_SZ with its environment
    // references expanded. The size is asked first.
    constexpr DWORD kTypes = RRF_RT_REG_SZ | RRF_RT_REG_DWORD;
    DWORD type = 0;
    DWORD size = 0;
    if (RegGetValueW(rootKey(keyRoot), wide(keyName), wide(subKeyRef), kTypes, &type, nullptr, &size) != ERROR_SUCCESS)
        return false;
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 2, L'\0');
    size = DWORD(buffer.size() * sizeof(wchar_t));
    if (RegGetValueW(rootKey(keyRoot), wide(keyName), wide(subKeyRef), kTypes, &type, buffer.data(), &size) != ERROR_SUCCESS)
        return false;
    if (type == REG_DWORD) {
        DWORD number = 0;
        std::memcpy(&number, buffer.data(), sizeof number);
        keyValue = QString::number(number);
    } else {
        keyValue = QString::fromWCharArray(buffer.data()); // ends at the first NUL
    }
    return true;
}

QStringList WindowsSystemInfoLocator::candidatePaths()
{
    QStringList paths;
    QString value;
    if (readRegistryValue(kLocalMachine, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
                          QStringLiteral("PATH"), value))
        paths << value;
    if (readRegistryValue(kLocalMachine, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"),
                          QStringLiteral("MSINFO"), value))
        paths << QDir(QDir::fromNativeSeparators(value)).filePath(QStringLiteral("msinfo32.exe"));
    wchar_t systemFolder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(systemFolder, MAX_PATH);
    if (length > 0 && length < MAX_PATH)
        paths << QDir(QDir::fromNativeSeparators(QString::fromWCharArray(systemFolder, int(length))))
                     .filePath(QStringLiteral("msinfo32.exe"));
    return paths;
}

bool WindowsSystemInfoLocator::startSystemInfo()
{
    for (const QString &path : candidatePaths()) {
        const QFileInfo program(QDir::fromNativeSeparators(path));
        // A relative path would be looked up in the current folder: never taken.
        if (program.isAbsolute() && program.isFile())
            return m_processes.startDetached(QDir::toNativeSeparators(program.absoluteFilePath()), {});
    }
    return false;
}

} // namespace qvx
