#include "ctl/CtlTerminal.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <cstdio>
#include <io.h>
#else
#include <unistd.h>
#endif

namespace qvx::ctl {

bool standardErrorIsTerminal()
{
#ifdef Q_OS_WIN
    return _isatty(_fileno(stderr)) != 0;
#else
    return ::isatty(STDERR_FILENO) == 1;
#endif
}

} // namespace qvx::ctl
