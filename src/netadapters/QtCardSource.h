#pragma once
#include "netadapters/CardSource.h"

#include <QByteArray>

class QNetworkInterface;

namespace qvx {

// The real card list: Qt's interface list, with the default gateway of each card taken from
// the system's routing table (/proc/net/route).
class QtCardSource : public CardSource {
public:
    QList<LocalCard> listCards() override;

    // The first default gateway through `interfaceName` in a /proc/net/route text (an up
    // route to anywhere with a gateway), as a host-order address; 0 when there is none.
    static quint32 defaultGateway(const QByteArray &routeTable, const QByteArray &interfaceName);

    // One card from an interface and a routing table text. Does no system call itself.
    static LocalCard cardOf(const QNetworkInterface &iface, const QByteArray &routeTable);
};

} // namespace qvx
