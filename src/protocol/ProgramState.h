#pragma once
#include <QtGlobal>
#include <array>

namespace qvx {

// State shared by every window for the whole run. Nothing is persisted: it starts afresh.
struct ProgramState {
    // Request and reply cycle.
    std::array<qint16, 4> deviceAddress{192, 168, 0, 1};
    bool commandPending = false;
    bool discoveryPending = false;

    // Login.
    bool loggedIn = false;

    // Discovery grid.
    qint16 gridRowCount = 1;
    bool deviceSelected = false;
    std::array<quint8, 6> destinationMac{};

    // Set once the no-reply warning has been shown; cleared by the next recognised reply or
    // the next request the user makes, so a device that falls silent during the login poll
    // is reported once.
    bool silenceReported = false;
    // Set once a failure to open the local port has been reported; cleared when it opens.
    bool bindFailureReported = false;
};

} // namespace qvx
