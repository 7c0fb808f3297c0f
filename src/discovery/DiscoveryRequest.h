#pragma once

namespace qvx {

class ProgramServices;

// Which cards a discovery searches: those chosen in the discovery window's card selector,
// or the same choice as the discovery before (the list that follows a write).
enum class DiscoveryCards { Chosen, SameAsBefore };

// Asks every device, through the multicast group, to describe itself (command 107): one
// request out of each card searched (see CardSearch), from the local port. Cards that
// cannot be searched are named in the discovery window. When the computer lists no card
// but loopback, the one request goes by routing, as to any address.
void sendDiscoveryRequest(ProgramServices &services, DiscoveryCards cards = DiscoveryCards::Chosen);

} // namespace qvx
