#include "discovery/DiscoveryRequest.h"

#include "app/AppContext.h"
#include "discovery/DiscoveryWindow.h"
#include "protocol/Commands.h"
#include "protocol/Frame.h"

namespace qvx {

void sendDiscoveryRequest(AppContext &ctx)
{
    Link &link = ctx.link();
    if (!link.isMulticastTargetSelected())
        link.selectMulticastTarget();

    // The grid lists only the devices that answer this request. Using the window loads it
    // (not shown) when it is not open.
    DiscoveryWindow *window = ctx.discovery();
    window->clearDeviceGrid();

    // A failed send has been reported by the link; nothing is then waited for.
    if (!link.sendFrame(CmdDiscovery, simpleCommandData(), Target::Multicast, kDiscoveryTimeoutMs))
        return;
    ctx.state().commandPending = true;
    ctx.state().discoveryPending = true;
    window->showSearching();
}

} // namespace qvx
