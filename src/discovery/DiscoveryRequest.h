#pragma once

namespace qvx {

class AppContext;

// Asks every device, through the multicast group, to describe itself (command 107).
void sendDiscoveryRequest(AppContext &ctx);

} // namespace qvx
