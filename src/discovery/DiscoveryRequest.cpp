#include "discovery/DiscoveryRequest.h"

namespace qvx {

void SendDiscoveryRequest(AppContext &) {}

} // namespace qvx
