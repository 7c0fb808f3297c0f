#include "netadapters/QtCardSource.h"

#include "netadapters/DefaultGateways.h"

#include <QHostAddress>
#include <QNetworkInterface>

#include <algorithm>

namespace qvx {

LocalCard QtCardSource::cardOf(const QNetworkInterface &iface, quint32 gateway)
{
    LocalCard card;
#ifdef Q_OS_WIN
    // "Ethernet 2", as Windows shows the card; name() is an internal one ("ethernet_32770").
    card.name = iface.humanReadableName();
#else
    card.name = iface.name();
#endif
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
    card.gateway = gateway;
    return card;
}

QList<LocalCard> QtCardSource::listCards()
{
    const DefaultGateways gateways;
    QList<LocalCard> cards;
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &iface : interfaces)
        cards.append(cardOf(iface, gateways.through(iface)));
    std::stable_sort(cards.begin(), cards.end(), [](const LocalCard &a, const LocalCard &b) {
        return quint32(a.index - 1) < quint32(b.index - 1); // unknown indexes (0) last
    });
    return cards;
}

} // namespace qvx
