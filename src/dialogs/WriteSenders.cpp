#include "dialogs/WriteSenders.h"

namespace qvx {

void SendSourceFilter(AppContext &) {}
void SendBridgeSettings(AppContext &) {}
void SendMacCode(AppContext &) {}

} // namespace qvx
