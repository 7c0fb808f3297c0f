#include "Address.h"

#include "protocol/Commands.h"

#include <QStringList>

namespace qvx::devsim {

std::optional<Ipv4> parseIpv4(const QString &text)
{
    const QStringList parts = text.trimmed().split(QLatin1Char('.'));
    if (parts.size() != 4)
        return std::nullopt;
    Ipv4 address = 0;
    for (const QString &part : parts) {
        if (part.isEmpty() || part.size() > 3)
            return std::nullopt;
        for (QChar c : part)
            if (!c.isDigit())
                return std::nullopt;
        const int value = part.toInt();
        if (value > 255)
            return std::nullopt;
        address = (address << 8) | Ipv4(value);
    }
    return address;
}

QString ipv4Text(Ipv4 address)
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(address >> 24)
        .arg((address >> 16) & 0xFF)
        .arg((address >> 8) & 0xFF)
        .arg(address & 0xFF);
}

Octets4 toOctets(Ipv4 address)
{
    return {quint8(address >> 24), quint8(address >> 16), quint8(address >> 8), quint8(address)};
}

Ipv4 fromOctets(const Octets4 &octets)
{
    return (Ipv4(octets[0]) << 24) | (Ipv4(octets[1]) << 16) | (Ipv4(octets[2]) << 8) | Ipv4(octets[3]);
}

Ipv4 DeviceGroup()
{
    return *parseIpv4(QString::fromLatin1(kMulticastGroup));
}

} // namespace qvx::devsim
