#pragma once
#include <QByteArray>
#include <QHash>
#include <QtGlobal>

class QNetworkInterface;

namespace qvx {

// The default gateway of each network card, as the system's routing table lists it when the
// object is made (Linux: /proc/net/route; Windows: the IP forwarding table).
class DefaultGateways {
public:
    // Reads the routing table.
    DefaultGateways();
    // The default gateway through `card` as a host-order address; 0 when there is none.
    quint32 through(const QNetworkInterface &card) const;

private:
#ifdef Q_OS_WIN
    QHash<int, quint32> m_byInterfaceIndex;
#else
    QByteArray m_routeTable;
#endif
};

#ifndef Q_OS_WIN
// The first default gateway through `interfaceName` in a /proc/net/route text (an up route
// to anywhere with a gateway), as a host-order address; 0 when there is none.
quint32 procRouteDefaultGateway(const QByteArray &routeTable, const QByteArray &interfaceName);
#endif

} // namespace qvx
