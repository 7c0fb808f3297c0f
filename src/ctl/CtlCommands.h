#pragma once
#include <QStringList>

namespace qvx {

class UdpEndpoint;
class CardSource;

// Exit codes of qvxctl.
enum CtlExit : int {
    ExitDone = 0,     // everything done and verified
    ExitDevice = 1,   // a device refused, did not answer or did not verify
    ExitUsage = 2,    // bad usage or a bad sheet; nothing was sent
    ExitNoSearch = 3, // check: the search itself could not run (port in use, no card)
};

// Runs one qvxctl command line (arguments without the program name) through `endpoint`;
// `cards` lists the network cards for the discovery. Prints results on standard output and
// errors on standard error; returns the exit code.
int runCtl(const QStringList &arguments, UdpEndpoint &endpoint, CardSource &cards);

} // namespace qvx
