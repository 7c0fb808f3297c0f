#pragma once
// The UDP endpoint of the system the program is built for.
#include <QtGlobal>

#ifdef Q_OS_WIN
#include "platform/WinUdpEndpoint.h"
namespace qvx {
using SystemUdpEndpoint = WinUdpEndpoint;
}
#else
#include "platform/QtUdpEndpoint.h"
namespace qvx {
using SystemUdpEndpoint = QtUdpEndpoint;
}
#endif
