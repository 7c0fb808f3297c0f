#pragma once
#include "Address.h"

#include "protocol/Layouts.h"

#include <QByteArray>
#include <QString>

namespace qvx::devsim {

// Everything a converter keeps in its configuration memory.
struct DeviceSettings {
    Mac6 mac{};
    Octets4 ip{};
    Octets4 mask{255, 255, 255, 0};
    Octets4 gateway{};
    quint16 localPort = 4001;
    quint16 remotePort = 4001;
    quint8 baudCode = 4; // 9600 bit/s
    quint16 uartTimeout = 3250;
    quint8 firmware = 0x21;
    quint8 format = 0xC0; // 8 data bits, no parity, 1 stop bit
    quint8 timeoutToDefault = 1;
    quint8 mode = 0; // UDP, TCP server, no DHCP
    Octets4 tcpServer{};
    std::array<Octets4, 4> sources{};
    BridgeBlock bridge{};
    bool operator==(const DeviceSettings &) const = default;
};

// One simulated converter.
struct Device {
    DeviceSettings settings;
    // What a factory setting (109) returns to: the settings the device started with.
    DeviceSettings factory;
    QByteArray password;        // 12 bytes, as the program sends it
    QByteArray factoryPassword; // the start password
    bool loggedIn = false;
    qint64 loginAtMs = 0;
    // Behaviour chosen at start: a silent device acts on requests but never answers;
    // fault injection only touches devices that are faulty.
    bool silent = false;
    bool faulty = true;

    Ipv4 address() const { return fromOctets(settings.ip); }
};

// A password as the program stores it: padded on the left with spaces to 12 characters,
// of which the first 12 count; one byte per character.
QByteArray padPassword(const QString &password);

// The payloads of the device's replies.
SettingsBlock toSettingsBlock(const DeviceSettings &s, bool withMode = true);
DiscoveryRecord toDiscoveryRecord(const DeviceSettings &s);
SourceFilterBlock toSourceFilterBlock(const DeviceSettings &s);

// Requests that write settings.
void applyUpload(DeviceSettings &s, const SettingsUploadBlock &block);
void applyDeviceUpload(DeviceSettings &s, const DiscoveryRecord &record);

} // namespace qvx::devsim
