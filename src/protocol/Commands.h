#pragma once
#include <QtGlobal>

namespace qvx {

// Command codes of the device protocol. A reply carries the code of the request it answers.
enum Cmd : quint8 {
    CmdDownloadSettings = 97,
    CmdUploadSettings = 98,
    CmdSetDefault = 99,
    CmdLogin = 100,
    CmdSetPassword = 101,
    CmdLoginStatus = 102,
    CmdLogout = 103,
    CmdBaudOnTheFly = 104,
    CmdDownloadSource = 105,
    CmdUploadSource = 106,
    CmdDiscovery = 107,
    CmdUploadSelected = 108,
    CmdFactorySetting = 109,
    CmdDownloadBridge = 110,
    CmdUploadBridge = 111,
    CmdMacAutomatic = 112,
    CmdMacFromCode = 113,
};

constexpr quint8 kFirstCommand = 97;
constexpr quint8 kLastCommand = 113;

constexpr quint16 kDevicePort = 4096;
constexpr quint16 kLocalPort = 65000;
inline constexpr const char *kMulticastGroup = "239.0.0.8";
constexpr quint32 kMulticastGroupAddress = 0xEF000008; // the same, as a number

// Reply timer intervals (milliseconds).
constexpr int kReplyTimeoutMs = 2000;
constexpr int kDiscoveryTimeoutMs = 5000;
// Login poll, re-discovery delay and deferred write intervals (milliseconds).
constexpr int kLoginPollMs = 1000;
constexpr int kRediscoveryMs = 2000;
constexpr int kDeferredWriteMs = 2000;

// Short name of a command, for logs and tools.
const char *commandName(quint8 code);

} // namespace qvx
