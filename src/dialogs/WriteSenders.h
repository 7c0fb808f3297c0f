#pragma once
#include <QtGlobal>

namespace qvx {

class ProgramServices;

// The second step of the dialogs' write sequences, run by the deferred-write timer. Each
// one either sends its frame to the device or shows one "Message Warning" naming the first
// field that fails and sends nothing.
void sendSourceFilter(ProgramServices &services);   // command 106, from the sourceFilter mirrors
void sendBridgeSettings(ProgramServices &services); // command 111, from the bridge mirrors and dialog status
void sendMacCode(ProgramServices &services);        // command 113, the three macCodeBytes bytes

// The first step of a write sequence: log out (103) at once, remember the write to make and
// arm the deferred-write timer, whose expiry runs the sender of writeCode.
void startWriteSequence(ProgramServices &services, quint8 writeCode);

} // namespace qvx
