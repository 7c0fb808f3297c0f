#pragma once
#include "netadapters/AdapterPlatform.h"

#include <QByteArray>
#include <QList>

#include <functional>

struct ifaddrs;

namespace qvx {

// The adapter list of a Linux host, answered with the GetAdaptersInfo protocol.
//
// An adapter is an interface with at least one IPv4 address; adapters come in interface
// index order. Per adapter:
//  - name: the interface name ("eth0"); IPv4 alias labels such as "eth0:1" count as eth0;
//  - index: the interface index;
//  - type: a Windows-style code from the ARPHRD type in /sys/class/net/<if>/type:
//    6 Ethernet, 71 Ethernet with a wireless extension, 24 loopback, 23 PPP, 1 anything else;
//  - hardware address and length: from the interface's AF_PACKET entry (length 0 without);
//  - description: "Loopback" for loopback interfaces, else the name of the device's driver
//    (/sys/class/net/<if>/device/driver), else the interface name;
//  - address and mask: the interface's first IPv4 address in getifaddrs order;
//  - gateway: the first default route through the interface in /proc/net/route that has a
//    gateway, "0.0.0.0" when there is none.
// Every call takes a fresh snapshot, so data that grows between the two calls of an
// enumeration is answered with BufferOverflow. When getifaddrs fails the answer is
// GeneralFailure and lastError() holds its errno.
class LinuxAdapterPlatform : public AdapterPlatform {
public:
    quint32 GetAdaptersInfo(QByteArray *buffer, quint32 *size) override;
    quint32 lastError() const override;

    // What the host knows about one interface beyond its getifaddrs entries.
    struct InterfaceFacts {
        qint32 index = 0;          // 0 when unknown; such adapters come last
        qint32 type = 1;
        QByteArray description;    // empty: the interface name is used
    };
    using FactsLookup = std::function<InterfaceFacts(const QByteArray &name)>;

    // The record list built from a getifaddrs list, the text of /proc/net/route and a lookup
    // of the facts per interface name. Does no system call itself.
    static QList<AdapterInfoRecord> buildRecords(const ifaddrs *list, const QByteArray &routeTable,
                                                 const FactsLookup &facts);

    // The first default gateway through `interfaceName` in a /proc/net/route text, dotted;
    // "0.0.0.0" when there is none.
    static QByteArray defaultGateway(const QByteArray &routeTable, const QByteArray &interfaceName);

    // The facts of an interface read from sysfs and the interface index of the host.
    static InterfaceFacts hostFacts(const QByteArray &name);
};

} // namespace qvx
