#pragma once

namespace qvx {

class AppContext;

// The second step of the dialogs' write sequences, run by the deferred-write timer.
void SendSourceFilter(AppContext &ctx);   // command 106
void SendBridgeSettings(AppContext &ctx); // command 111
void SendMacCode(AppContext &ctx);        // command 113

} // namespace qvx
