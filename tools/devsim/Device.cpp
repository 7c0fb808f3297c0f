#include "Device.h"

namespace qvx::devsim {

QByteArray padPassword(const QString &password)
{
    QByteArray bytes = password.toLatin1();
    while (bytes.size() < 12)
        bytes.prepend(' ');
    return bytes.left(12);
}

SettingsBlock toSettingsBlock(const DeviceSettings &s, bool withMode)
{
    SettingsBlock b;
    b.mac = s.mac;
    b.ip = s.ip;
    b.mask = s.mask;
    b.gateway = s.gateway;
    b.localPort = s.localPort;
    b.remotePort = s.remotePort;
    b.baudCode = s.baudCode;
    b.uartTimeout = s.uartTimeout;
    b.firmware = s.firmware;
    b.format = s.format;
    b.timeoutToDefault = s.timeoutToDefault;
    b.hasMode = withMode;
    b.mode = s.mode;
    b.tcpServer = s.tcpServer;
    return b;
}

DiscoveryRecord toDiscoveryRecord(const DeviceSettings &s)
{
    DiscoveryRecord r;
    r.mac = s.mac;
    r.ip = s.ip;
    r.mask = s.mask;
    r.gateway = s.gateway;
    r.localPort = s.localPort;
    r.remotePort = s.remotePort;
    r.baudCode = s.baudCode;
    r.uartTimeout = s.uartTimeout;
    r.unread25 = s.firmware;
    r.format = s.format;
    r.timeoutToDefault = s.timeoutToDefault;
    r.sources = s.sources;
    r.bridgeStatus = s.bridge.enabled ? 1 : 0;
    r.bridgeLocalPort = s.bridge.localPort;
    r.bridgeRemotePorts = s.bridge.remotePorts;
    r.bridgeIps = s.bridge.ips;
    return r;
}

SourceFilterBlock toSourceFilterBlock(const DeviceSettings &s)
{
    return SourceFilterBlock{s.sources};
}

void applyUpload(DeviceSettings &s, const SettingsUploadBlock &b)
{
    // The MAC address of an upload is the one the program read; it is not taken from here
    // (it changes only through 108, 112 and 113).
    s.ip = b.ip;
    s.mask = b.mask;
    s.gateway = b.gateway;
    s.localPort = b.localPort;
    s.remotePort = b.remotePort;
    s.baudCode = b.baudCode;
    s.uartTimeout = b.uartTimeout;
    s.format = b.format;
    s.timeoutToDefault = b.timeoutToDefault ? 1 : 0;
    s.mode = b.mode & 0x70;
    s.tcpServer = b.tcpServer;
}

void applyDeviceUpload(DeviceSettings &s, const DiscoveryRecord &r)
{
    s.mac = r.mac;
    s.ip = r.ip;
    s.mask = r.mask;
    s.gateway = r.gateway;
    s.localPort = r.localPort;
    s.remotePort = r.remotePort;
    s.baudCode = r.baudCode;
    s.uartTimeout = r.uartTimeout;
    s.format = r.format;
    s.timeoutToDefault = r.timeoutToDefault ? 1 : 0;
    s.sources = r.sources;
    s.bridge.enabled = r.bridgeStatus != 0;
    s.bridge.localPort = r.bridgeLocalPort;
    s.bridge.remotePorts = r.bridgeRemotePorts;
    s.bridge.ips = r.bridgeIps;
}

} // namespace qvx::devsim
