#pragma once
#include "protocol/IntervalTimer.h"
#include "protocol/Link.h"
#include "protocol/ProgramState.h"

namespace qvx {

class CardSearch;
class UdpEndpoint;
class MessageSink;
class ProcessLauncher;
class WriteSequence;
class ProgrammerWindow;
class LoginDialog;
class DiscoveryWindow;
class SourceFilterDialog;
class BridgeDialog;
class MacAddressDialog;

// What every window, the reply dispatcher and the senders are given: the program-wide state,
// the sending link, the four timers, the platform seams and the other windows. The windows
// know only this interface; AppContext implements it and is the one place that knows how
// each window is made.
class ProgramServices {
public:
    virtual ~ProgramServices() = default;

    virtual ProgramState &state() = 0;
    virtual Link &link() = 0;

    // ---- Seams ----
    virtual UdpEndpoint &endpoint() = 0;
    virtual MessageSink &messages() = 0;
    virtual ProcessLauncher &processes() = 0;
    // The network cards a discovery searches, read afresh at every discovery.
    virtual CardSearch &cardSearch() = 0;

    // ---- Timers; their expiry runs the programmer window's handler of the same role ----
    // Armed by every request that waits for a reply; expiry: onReplyTimeout().
    virtual IntervalTimer &replyTimer() = 0;
    // Polls the device's login status every second while enabled; expiry: pollLogin().
    virtual IntervalTimer &loginPollTimer() = 0;
    // Armed after a confirmed device upload; expiry: repeatDiscovery().
    virtual IntervalTimer &rediscoveryTimer() = 0;
    // Second step of every write (two seconds after the logout); expiry: the write sequence
    // sends the write.
    virtual IntervalTimer &deferredWriteTimer() = 0;
    // Every write by address: logout, the deferred-write timer, then the write.
    virtual WriteSequence &writeSequence() = 0;

    // ---- Windows ----
    // The programmer window lives for the whole run; the others are created on first use
    // and unloaded when closed.
    virtual ProgrammerWindow *programmer() const = 0;
    virtual LoginDialog *login() = 0;
    virtual DiscoveryWindow *discovery() = 0;
    virtual SourceFilterDialog *source() = 0;
    virtual BridgeDialog *bridge() = 0;
    virtual MacAddressDialog *macAddress() = 0;

    // The same, without creating them: null when not loaded.
    virtual LoginDialog *loginIfLoaded() const = 0;
    virtual DiscoveryWindow *discoveryIfLoaded() const = 0;
    virtual SourceFilterDialog *sourceIfLoaded() const = 0;
    virtual BridgeDialog *bridgeIfLoaded() const = 0;
    virtual MacAddressDialog *macAddressIfLoaded() const = 0;

    // Shows the About box, modal for the whole program.
    virtual void showAbout() = 0;
    // Unloads the discovery window if it is loaded, then ends the program.
    virtual void exitProgram() = 0;

protected:
    ProgramServices() = default;
    ProgramServices(const ProgramServices &) = delete;
    ProgramServices &operator=(const ProgramServices &) = delete;
};

} // namespace qvx
