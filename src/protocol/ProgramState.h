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
    quint8 pendingWriteCode = 0;

    // Login.
    bool loggedIn = false;
    bool loginRequested = false;
    bool passwordChangeRequested = false;
    std::array<quint16, 12> loginPasswordCodes{};
    std::array<quint16, 12> oldPasswordCodes{};
    std::array<quint16, 12> newPasswordCodes{};

    // Discovery grid.
    qint16 gridRowCount = 1;
    bool deviceSelected = false;
    std::array<quint8, 6> destinationMac{};

    // Mirrors kept by the source filter, bridge and MAC reassignment dialogs.
    // Octets are 16-bit with 65535 (-1) marking a non-numeric entry; ports are 32-bit with -1.
    std::array<std::array<qint16, 4>, 4> sourceFilter{};     // four accepted sources
    std::array<std::array<qint16, 4>, 5> bridgeAddresses{};  // five bridge destinations
    qint32 bridgeLocalPort = 0;
    std::array<qint32, 5> bridgeRemotePorts{};
    std::array<qint32, 3> macCodeBytes{1, 1, 1};

    // Set once the no-reply warning has been shown; cleared by the next recognised reply or
    // the next request the user makes, so a device that falls silent during the login poll
    // is reported once.
    bool silenceReported = false;
    // Set once a failure to open the local port has been reported; cleared when it opens.
    bool bindFailureReported = false;
};

} // namespace qvx
