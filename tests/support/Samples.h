#pragma once
// Sample blocks shared by the suites, with their bytes written out by hand, and small byte
// helpers that do not lean on the program's own framing code.
#include "protocol/Layouts.h"

#include <QByteArray>
#include <initializer_list>

namespace qvx::test {

inline QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

inline QByteArray Hex(const char *text) { return QByteArray::fromHex(text); }

// "<#" CMD LEN DATA CHK ">", summed here byte by byte.
inline QByteArray RequestBytes(quint8 cmd, const QByteArray &data)
{
    QByteArray out("<#");
    out.append(char(cmd)).append(char(data.size())).append(data);
    unsigned sum = cmd + unsigned(data.size());
    for (char c : data)
        sum += quint8(c);
    return out.append(char(sum & 0xFF)).append('>');
}

// Data offsets 0..24 of the settings layouts: MAC 00-1A-2B-3C-4D-5E, IP 10.0.0.254,
// mask 255.255.255.0, gateway 10.0.0.1, ports 4096 / 4097, 9600 bit/s, timeout 3250 us.
inline constexpr const char *kSampleCommonHex = "001A2B3C4D5E" "0A0000FE" "FFFFFF00" "0A000001" "1000" "1001" "04" "0CB2";

template <typename T>
void FillSampleCommon(T &b)
{
    b.mac = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
    b.ip = {10, 0, 0, 254};
    b.mask = {255, 255, 255, 0};
    b.gateway = {10, 0, 0, 1};
    b.localPort = 4096;
    b.remotePort = 4097;
    b.baudCode = 4;
    b.uartTimeout = 3250;
}

// A download reply: firmware 3.10, 7 data bits / odd / 2 stop bits, timeout to default on,
// TCP client with DHCP over UDP, server 172.16.0.9.
inline SettingsBlock SampleSettings()
{
    SettingsBlock b;
    FillSampleCommon(b);
    b.firmware = 0x3A;
    b.format = 0xDD;
    b.timeoutToDefault = 1;
    b.mode = 0x50;
    b.tcpServer = {172, 16, 0, 9};
    return b;
}
inline const QByteArray kSampleSettingsBytes =
    Hex((QByteArray(kSampleCommonHex) + "3A" "DD" "01" "50" "AC100009").constData());

// A device as it answers a discovery: MAC 00-1A-2B-3C-4D-<last>, 7 / odd / 2, timeout to
// default on, sources 1.2.3.4 .. 13.14.15.16, bridge on, local port 5000, remote ports
// 5001..5005 to 192.168.1.1 .. 192.168.1.5.
inline DiscoveryRecord SampleDevice(quint8 last = 0x5E)
{
    DiscoveryRecord r;
    FillSampleCommon(r);
    r.mac[5] = last;
    r.unread25 = 0x21;
    r.format = 0xDD;
    r.timeoutToDefault = 1;
    r.sources = {Octets4{1, 2, 3, 4}, Octets4{5, 6, 7, 8}, Octets4{9, 10, 11, 12}, Octets4{13, 14, 15, 16}};
    r.bridgeStatus = 1;
    r.bridgeLocalPort = 5000;
    r.bridgeRemotePorts = {5001, 5002, 5003, 5004, 5005};
    r.bridgeIps = {Octets4{192, 168, 1, 1}, Octets4{192, 168, 1, 2}, Octets4{192, 168, 1, 3},
                   Octets4{192, 168, 1, 4}, Octets4{192, 168, 1, 5}};
    return r;
}
// SampleDevice() from data offset 28 on.
inline constexpr const char *kSampleDeviceTailHex = "01020304" "05060708" "090A0B0C" "0D0E0F10" "01" "1388"
                                                    "1389" "138A" "138B" "138C" "138D"
                                                    "C0A80101" "C0A80102" "C0A80103" "C0A80104" "C0A80105";
inline const QByteArray kSampleDeviceBytes =
    Hex((QByteArray(kSampleCommonHex) + "21" "DD" "01" + kSampleDeviceTailHex).constData());
// The grid row of SampleDevice().
inline const QStringList kSampleDeviceRow{
    "00-1A-2B-3C-4D-5E", "10.0.0.254", "255.255.255.0", "10.0.0.1", "4096", "4097", "9600", "3250", "7", "ODD", "2",
    "Enable", "1.2.3.4", "5.6.7.8", "9.10.11.12", "13.14.15.16", "Enable", "5000", "5001", "5002", "5003", "5004",
    "5005", "192.168.1.1", "192.168.1.2", "192.168.1.3", "192.168.1.4", "192.168.1.5"};

} // namespace qvx::test
