#pragma once
#include <QtGlobal>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace qvx::test {

// Whether the Windows build runs under Wine, which has neither Windows's fonts nor their
// metrics: a window's width measured there says nothing about Windows.
inline bool runningUnderWine()
{
#ifdef Q_OS_WIN
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
#else
    return false;
#endif
}

} // namespace qvx::test
