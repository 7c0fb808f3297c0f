#pragma once

namespace qvx {

class ProgramServices;

// Asks every device, through the multicast group, to describe itself (command 107).
void sendDiscoveryRequest(ProgramServices &services);

} // namespace qvx
