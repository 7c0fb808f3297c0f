#pragma once
#include <QtGlobal>
#include <array>

namespace qvx {

// State shared by every window for the whole run. Nothing is persisted: it starts afresh.
struct ProgramState {
    // Request and reply cycle.
    std::array<qint16, 4> DeviceIpOctet{192, 168, 0, 1};
    bool CommandPending = false;
    bool DiscoveryPending = false;
    quint8 LastCommandCode = 0;

    // Login.
    bool LoggedIn = false;
    bool LoginRequested = false;
    bool PasswordChangeRequested = false;
    std::array<quint16, 12> LoginPasswordCodes{};
    std::array<quint16, 12> OldPasswordCodes{};
    std::array<quint16, 12> NewPasswordCodes{};

    // Discovery grid.
    qint16 GridRowCount = 1;
    bool DeviceSelected = false;
    std::array<quint8, 6> DestinationMac{};

    // Mirrors kept by the source filter, bridge and MAC reassignment dialogs.
    // Octets are 16-bit with 65535 (-1) marking a non-numeric entry; ports are 32-bit with -1.
    std::array<std::array<qint16, 4>, 4> SourceIP{};   // SourceIP1 .. SourceIP4
    std::array<std::array<qint16, 4>, 5> BridgeIP{};   // BridgeIP1 .. BridgeIP5
    qint32 BridgeLocalPort = 0;
    std::array<qint32, 5> BridgeRemotePort{};
    std::array<qint32, 3> MacCode{1, 1, 1};

    // Set once the no-reply warning has been shown; cleared by the next recognised reply or
    // the next request the user makes, so a device that falls silent during the login poll
    // is reported once.
    bool SilenceReported = false;
    // Set once a failure to open the local port has been reported; cleared when it opens.
    bool BindFailureReported = false;
};

} // namespace qvx
