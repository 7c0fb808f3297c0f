#include "discovery/DiscoveryRequest.h"

#include "app/AppContext.h"
#include "discovery/frm03Discovery.h"
#include "protocol/Commands.h"
#include "protocol/Frame.h"

namespace qvx {

void SendDiscoveryRequest(AppContext &ctx)
{
    Link &link = ctx.link();
    if (!link.IsMulticastTargetSelected())
        link.SelectMulticastTarget();

    // The grid lists only the devices that answer this request. Using the window loads it
    // (not shown) when it is not open.
    frm03Discovery *window = ctx.discovery();
    window->InitDeviceGrid();

    // A failed send has been reported by the link; nothing is then waited for.
    if (!link.SendFrame(CmdDiscovery, SimpleCommandData(), Target::Multicast, kDiscoveryTimeoutMs))
        return;
    ctx.state().CommandPending = true;
    ctx.state().DiscoveryPending = true;
    window->ShowSearching();
}

} // namespace qvx
