#include "netadapters/DefaultGateways.h"

#include <QFile>
#include <QList>
#include <QNetworkInterface>
#include <QtEndian>

namespace qvx {

quint32 procRouteDefaultGateway(const QByteArray &routeTable, const QByteArray &interfaceName)
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

DefaultGateways::DefaultGateways()
{
    QFile routes(QStringLiteral("/proc/net/route"));
    if (routes.open(QIODevice::ReadOnly))
        m_routeTable = routes.readAll();
}

quint32 DefaultGateways::through(const QNetworkInterface &card) const
{
    return procRouteDefaultGateway(m_routeTable, card.name().toLocal8Bit());
}

} // namespace qvx
