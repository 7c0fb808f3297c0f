#include "netadapters/LinuxAdapterPlatform.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <cerrno>
#include <memory>

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <netinet/in.h>
#include <netpacket/packet.h>
#include <sys/socket.h>

namespace qvx {

namespace {

// Like the thread's last-error code of the Windows call.
thread_local quint32 t_lastError = 0;

constexpr qint32 kTypeOther = 1;
constexpr qint32 kTypeEthernet = 6;
constexpr qint32 kTypePpp = 23;
constexpr qint32 kTypeLoopback = 24;
constexpr qint32 kTypeWireless = 71;

// Interface names cannot hold ':', so whatever follows one is an IPv4 alias label.
QByteArray InterfaceOfLabel(const char *label)
{
    QByteArray name(label);
    const qsizetype colon = name.indexOf(':');
    return colon < 0 ? name : name.left(colon);
}

QByteArray DottedIPv4(const sockaddr *address)
{
    if (address == nullptr || address->sa_family != AF_INET)
        return QByteArrayLiteral("0.0.0.0");
    sockaddr_in in;
    std::memcpy(&in, address, sizeof in);
    char text[INET_ADDRSTRLEN] = {};
    if (inet_ntop(AF_INET, &in.sin_addr, text, sizeof text) == nullptr)
        return QByteArrayLiteral("0.0.0.0");
    return QByteArray(text);
}

QByteArray ReadSmallFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

struct Adapter {
    QByteArray name;
    QByteArray ip;
    QByteArray mask;
};

} // namespace

QByteArray LinuxAdapterPlatform::defaultGateway(const QByteArray &routeTable,
                                                const QByteArray &interfaceName)
{
    // Columns: Iface Destination Gateway Flags RefCnt Use Metric Mask ...; addresses are the
    // in-memory bytes of the address printed as one hexadecimal number.
    const QList<QByteArray> lines = routeTable.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> columns = lines.at(i).simplified().split(' ');
        if (columns.size() < 8 || columns.at(0) != interfaceName)
            continue;
        bool ok[4] = {};
        const uint destination = columns.at(1).toUInt(&ok[0], 16);
        const uint gateway = columns.at(2).toUInt(&ok[1], 16);
        const uint flags = columns.at(3).toUInt(&ok[2], 16);
        const uint mask = columns.at(7).toUInt(&ok[3], 16);
        if (!ok[0] || !ok[1] || !ok[2] || !ok[3])
            continue;
        constexpr uint kRouteUp = 0x1, kRouteGateway = 0x2;
        if (destination != 0 || mask != 0 || gateway == 0
            || (flags & (kRouteUp | kRouteGateway)) != (kRouteUp | kRouteGateway))
            continue;
        in_addr address;
        address.s_addr = quint32(gateway);
        char text[INET_ADDRSTRLEN] = {};
        if (inet_ntop(AF_INET, &address, text, sizeof text) != nullptr)
            return QByteArray(text);
    }
    return QByteArrayLiteral("0.0.0.0");
}

LinuxAdapterPlatform::InterfaceFacts LinuxAdapterPlatform::hostFacts(const QByteArray &name)
{
    InterfaceFacts facts;
    facts.index = qint32(if_nametoindex(name.constData()));

    const QString directory = QStringLiteral("/sys/class/net/") + QString::fromLocal8Bit(name);
    bool numeric = false;
    const int arphrd = ReadSmallFile(directory + QStringLiteral("/type")).trimmed().toInt(&numeric);
    if (!numeric)
        facts.type = kTypeOther;
    else if (arphrd == ARPHRD_LOOPBACK)
        facts.type = kTypeLoopback;
    else if (arphrd == ARPHRD_PPP)
        facts.type = kTypePpp;
    else if (arphrd == ARPHRD_ETHER)
        facts.type = QFileInfo::exists(directory + QStringLiteral("/wireless"))
                || QFileInfo::exists(directory + QStringLiteral("/phy80211"))
            ? kTypeWireless
            : kTypeEthernet;
    else
        facts.type = kTypeOther;

    if (facts.type == kTypeLoopback) {
        facts.description = QByteArrayLiteral("Loopback");
    } else {
        const QFileInfo driver(directory + QStringLiteral("/device/driver"));
        if (driver.isSymLink())
            facts.description = QFileInfo(driver.symLinkTarget()).fileName().toLocal8Bit();
    }
    return facts;
}

QList<AdapterInfoRecord> LinuxAdapterPlatform::buildRecords(const ifaddrs *list,
                                                            const QByteArray &routeTable,
                                                            const FactsLookup &facts)
{
    QList<Adapter> adapters;
    QHash<QByteArray, qsizetype> adapterOf;
    QHash<QByteArray, QByteArray> hardwareOf;

    for (const ifaddrs *entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_name == nullptr || entry->ifa_addr == nullptr)
            continue;
        const QByteArray name = InterfaceOfLabel(entry->ifa_name);
        if (entry->ifa_addr->sa_family == AF_PACKET) {
            if (hardwareOf.contains(name))
                continue;
            sockaddr_ll link;
            std::memcpy(&link, entry->ifa_addr, sizeof link);
            const qsizetype length = qMin<qsizetype>(link.sll_halen, sizeof link.sll_addr);
            hardwareOf.insert(name, QByteArray(reinterpret_cast<const char *>(link.sll_addr), length));
        } else if (entry->ifa_addr->sa_family == AF_INET) {
            if (adapterOf.contains(name))
                continue;  // only the first address of an adapter counts
            adapterOf.insert(name, adapters.size());
            adapters.append({name, DottedIPv4(entry->ifa_addr), DottedIPv4(entry->ifa_netmask)});
        }
    }

    struct Entry {
        quint32 order;   // index, unknown ones last
        AdapterInfoRecord record;
    };
    QList<Entry> entries;
    entries.reserve(adapters.size());
    for (const Adapter &adapter : std::as_const(adapters)) {
        const InterfaceFacts known = facts ? facts(adapter.name) : InterfaceFacts{};
        AdapterInfoRecord record{};
        setRecordText(record.name, adapter.name);
        setRecordText(record.description,
                      known.description.isEmpty() ? adapter.name : known.description);
        setRecordAddress(record, hardwareOf.value(adapter.name));
        record.index = known.index;
        record.type = known.type;
        setRecordText(record.ipAddress, adapter.ip);
        setRecordText(record.ipMask, adapter.mask);
        setRecordText(record.gateway, defaultGateway(routeTable, adapter.name));
        entries.append({known.index > 0 ? quint32(known.index) : 0xFFFFFFFFu, record});
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry &a, const Entry &b) { return a.order < b.order; });

    QList<AdapterInfoRecord> records;
    records.reserve(entries.size());
    for (const Entry &entry : std::as_const(entries))
        records.append(entry.record);
    return records;
}

quint32 LinuxAdapterPlatform::GetAdaptersInfo(QByteArray *buffer, quint32 *size)
{
    ifaddrs *list = nullptr;
    if (getifaddrs(&list) != 0) {
        t_lastError = quint32(errno);
        return AdapterResult::GeneralFailure;
    }
    const std::unique_ptr<ifaddrs, decltype(&freeifaddrs)> owner(list, &freeifaddrs);
    const QByteArray routeTable = ReadSmallFile(QStringLiteral("/proc/net/route"));
    const QByteArray chain = serializeAdapterChain(buildRecords(list, routeTable, &hostFacts));

    t_lastError = 0;
    return answerAdaptersInfo(chain, buffer, size);
}

quint32 LinuxAdapterPlatform::lastError() const
{
    return t_lastError;
}

} // namespace qvx
