#include "netadapters/LocalCard.h"

#include <algorithm>

namespace qvx {

namespace {

quint32 netmaskOf(int prefixLength)
{
    if (prefixLength <= 0)
        return 0;
    if (prefixLength >= 32)
        return 0xFFFFFFFFu;
    return ~quint32(0) << (32 - prefixLength);
}

bool sameSubnet(quint32 a, quint32 b, int prefixLength)
{
    return (a & netmaskOf(prefixLength)) == (b & netmaskOf(prefixLength));
}

} // namespace

quint32 LocalCard::netmask() const
{
    return netmaskOf(prefixLength);
}

bool LocalCard::holds(quint32 ip) const
{
    if (!hasIPv4() || ip == 0)
        return false;
    if (sameSubnet(ip, address, prefixLength))
        return true;
    return std::any_of(otherSubnets.cbegin(), otherSubnets.cend(), [ip](const Subnet &subnet) {
        return subnet.address != 0 && sameSubnet(ip, subnet.address, subnet.prefixLength);
    });
}

QString LocalCard::addressText() const
{
    return hasIPv4() ? dottedText(address) : QString();
}

QString LocalCard::netmaskText() const
{
    return hasIPv4() ? dottedText(netmask()) : QString();
}

QString LocalCard::gatewayText() const
{
    return dottedText(gateway);
}

QString LocalCard::label() const
{
    return hasIPv4() ? name + QLatin1Char(' ') + addressText() : name;
}

QString LocalCard::selectorText() const
{
    return hasIPv4() ? label() + QLatin1Char('/') + QString::number(prefixLength) : name;
}

QString dottedText(quint32 address)
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(address >> 24)
        .arg((address >> 16) & 0xFF)
        .arg((address >> 8) & 0xFF)
        .arg(address & 0xFF);
}

std::optional<quint32> parseDotted(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return std::nullopt;
    quint32 value = 0;
    for (const QString &part : parts) {
        if (part.isEmpty() || part.size() > 3)
            return std::nullopt;
        for (const QChar c : part)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return std::nullopt;
        const uint octet = part.toUInt();
        if (octet > 255)
            return std::nullopt;
        value = (value << 8) | octet;
    }
    return value;
}

QString whyNotSearchable(const LocalCard &card)
{
    if (card.loopback)
        return QStringLiteral("loopback card");
    if (!card.up)
        return QStringLiteral("Network is down");
    if (!card.multicast)
        return QStringLiteral("the card cannot send to a multicast group");
    if (!card.hasIPv4())
        return QStringLiteral("the card has no IPv4 address");
    return {};
}

QList<LocalCard> searchableCards(const QList<LocalCard> &listed)
{
    QList<LocalCard> out;
    for (const LocalCard &card : listed)
        if (isSearchable(card))
            out.append(card);
    return out;
}

QString notSearchedText(const QString &cardName, const QString &reason)
{
    return QStringLiteral("Not searched on %1: %2").arg(cardName, reason);
}

qsizetype attributeReply(const QList<LocalCard> &cards, int interfaceIndex, quint32 destination,
                         quint32 source)
{
    if (interfaceIndex > 0)
        for (qsizetype i = 0; i < cards.size(); ++i)
            if (cards[i].index == interfaceIndex)
                return i;
    if (destination != 0)
        for (qsizetype i = 0; i < cards.size(); ++i)
            if (cards[i].hasIPv4() && cards[i].address == destination)
                return i;
    if (source != 0)
        for (qsizetype i = 0; i < cards.size(); ++i)
            if (!cards[i].loopback && cards[i].holds(source))
                return i;
    return -1;
}

bool isOutsideCardSubnet(const LocalCard *card, quint32 deviceAddress)
{
    return card == nullptr || !card->holds(deviceAddress);
}

QString outsideSubnetText(const LocalCard *card, const QString &deviceAddress)
{
    const QString where = card && card->hasIPv4()
        ? QStringLiteral("the subnet of network card %1").arg(card->selectorText())
        : QStringLiteral("the subnet of every network card");
    return QStringLiteral("The address %1 is outside %2. The programmer window cannot reach this device "
                          "by address; \"Upload selected device\" can, and can give it an address on "
                          "that subnet.")
        .arg(deviceAddress, where);
}

QString sharedAddressText(const QString &deviceAddress, int count)
{
    return QStringLiteral("%1 listed devices share the address %2. Give each its own address with "
                          "\"Upload selected device\" before working on them by address.")
        .arg(count)
        .arg(deviceAddress);
}

QString deviceFlagsText(const DeviceFlags &flags, const LocalCard *card, const QString &deviceAddress)
{
    QStringList sentences;
    if (flags.outsideSubnet)
        sentences << outsideSubnetText(card, deviceAddress);
    if (flags.sharedAddress())
        sentences << sharedAddressText(deviceAddress, flags.sharedBy);
    return sentences.join(QLatin1Char('\n'));
}

QString unreachableTargetText(const QList<LocalCard> &cards, const QString &target)
{
    const std::optional<quint32> address = parseDotted(target);
    if (!address)
        return {};
    // Without any card known there is nothing to tell.
    if (std::none_of(cards.cbegin(), cards.cend(), [](const LocalCard &c) { return !c.loopback && c.hasIPv4(); }))
        return {};
    for (const LocalCard &card : cards)
        if (!card.loopback && card.holds(*address))
            return {};
    return QStringLiteral("No network card of this computer is on the subnet of %1, and no route leads "
                          "there. Connect to the device's network, or give the device an address on a "
                          "card's subnet with \"Upload selected device\" in the discovery window.")
        .arg(target);
}

} // namespace qvx
