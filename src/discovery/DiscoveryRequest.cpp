#include "discovery/DiscoveryRequest.h"

#include "services/ProgramServices.h"
#include "discovery/DiscoveryWindow.h"
#include "protocol/Commands.h"
#include "protocol/Frame.h"

namespace qvx {

void sendDiscoveryRequest(ProgramServices &services)
{
    Link &link = services.link();
    if (!link.isMulticastTargetSelected())
        link.selectMulticastTarget();

    // The grid lists only the devices that answer this request. Using the window loads it
    // (not shown) when it is not open.
    DiscoveryWindow *window = services.discovery();
    window->clearDeviceGrid();

    // A failed send has been reported by the link; nothing is then waited for.
    if (!link.sendFrame(CmdDiscovery, simpleCommandData(), Target::Multicast, kDiscoveryTimeoutMs))
        return;
    services.state().commandPending = true;
    services.state().discoveryPending = true;
    window->showSearching();
}

} // namespace qvx
