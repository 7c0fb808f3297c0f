#pragma once
#include <QtGlobal>

namespace qvx {

class AppContext;

// The second step of the dialogs' write sequences, run by the deferred-write timer. Each
// one either sends its frame to the device or shows one "Message Warning" naming the first
// field that fails and sends nothing.
void sendSourceFilter(AppContext &ctx);   // command 106, from the sourceFilter mirrors
void sendBridgeSettings(AppContext &ctx); // command 111, from the bridge mirrors and dialog status
void sendMacCode(AppContext &ctx);        // command 113, the three macCodeBytes bytes

// The first step of a write sequence: log out (103) at once, remember the write to make and
// arm the deferred-write timer, whose expiry runs the sender of writeCode.
void startWriteSequence(AppContext &ctx, quint8 writeCode);

} // namespace qvx
