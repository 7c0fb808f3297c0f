#include "netadapters/QtCardSource.h"

#include <QFile>
#include <QHostAddress>
#include <QNetworkInterface>
#include <QtEndian>

#include <algorithm>

namespace qvx {

quint32 QtCardSource::defaultGateway(const QByteArray &routeTable, const QByteArray &interfaceName)
{
    // Columns: Iface Destination Gateway Flags RefCnt Use Metric Mask ...; addresses are the
    // in-memory bytes of the address (network order) printed as one hexadecimal number.
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
        return qFromBigEndian(quint32(gateway));
    }
    return 0;
}

LocalCard QtCardSource::cardOf(const QNetworkInterface &iface, const QByteArray &routeTable)
{
    LocalCard card;
    card.name = iface.name();
    card.index = iface.index();
    card.macAddress = iface.hardwareAddress().toUpper().replace(QLatin1Char(':'), QLatin1Char('-'));
    const QNetworkInterface::InterfaceFlags flags = iface.flags();
    card.up = flags.testFlag(QNetworkInterface::IsUp);
    card.multicast = flags.testFlag(QNetworkInterface::CanMulticast);
    card.loopback = flags.testFlag(QNetworkInterface::IsLoopBack)
        || iface.type() == QNetworkInterface::Loopback;
    for (const QNetworkAddressEntry &entry : iface.addressEntries()) {
        const QHostAddress ip = entry.ip();
        if (ip.protocol() != QAbstractSocket::IPv4Protocol || ip.toIPv4Address() == 0)
            continue;
        const int prefixLength = std::clamp(entry.prefixLength(), 0, 32);
        if (card.address == 0) {
            card.address = ip.toIPv4Address();
            card.prefixLength = prefixLength;
        } else {
            card.otherSubnets.append({ip.toIPv4Address(), prefixLength});
        }
    }
    card.gateway = defaultGateway(routeTable, iface.name().toLocal8Bit());
    return card;
}

QList<LocalCard> QtCardSource::listCards()
{
    QByteArray routeTable;
    QFile routes(QStringLiteral("/proc/net/route"));
    if (routes.open(QIODevice::ReadOnly))
        routeTable = routes.readAll();
    QList<LocalCard> cards;
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &iface : interfaces)
        cards.append(cardOf(iface, routeTable));
    std::stable_sort(cards.begin(), cards.end(), [](const LocalCard &a, const LocalCard &b) {
        return quint32(a.index - 1) < quint32(b.index - 1); // unknown indexes (0) last
    });
    return cards;
}

} // namespace qvx
