#pragma once
#include "netadapters/CardSource.h"


class QNetworkInterface;

namespace qvx {

// The real card list: Qt's interface list, with the default gateway of each card taken from
// the system's routing table (DefaultGateways).
class QtCardSource : public CardSource {
public:
    QList<LocalCard> listCards() override;

    // One card from an interface and its default gateway (host order, 0 for none).
    static LocalCard cardOf(const QNetworkInterface &iface, quint32 gateway);
};

} // namespace qvx
