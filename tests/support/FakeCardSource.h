#pragma once
#include "netadapters/CardSource.h"

namespace qvx::test {

// The card list as a test sets it; counts the readings.
class FakeCardSource : public CardSource {
public:
    QList<LocalCard> cards;
    int readings = 0;

    QList<LocalCard> listCards() override
    {
        ++readings;
        return cards;
    }
};

// An up, multicast-capable Ethernet card with the address "a.b.c.d/prefix".
inline LocalCard MakeCard(const QString &name, int index, const QString &addressWithPrefix,
                            const QString &gateway = QStringLiteral("0.0.0.0"))
{
    LocalCard card;
    card.name = name;
    card.index = index;
    card.macAddress = QStringLiteral("02-00-00-00-00-%1").arg(index, 2, 16, QLatin1Char('0')).toUpper();
    const QStringList parts = addressWithPrefix.split(QLatin1Char('/'));
    card.address = parseDotted(parts.value(0)).value_or(0);
    card.prefixLength = parts.value(1, QStringLiteral("24")).toInt();
    card.gateway = parseDotted(gateway).value_or(0);
    card.up = true;
    card.multicast = true;
    return card;
}

// The loopback card, "lo" 127.0.0.1/8.
inline LocalCard Loopback()
{
    LocalCard lo = MakeCard(QStringLiteral("lo"), 1, QStringLiteral("127.0.0.1/8"));
    lo.loopback = true;
    return lo;
}

} // namespace qvx::test
