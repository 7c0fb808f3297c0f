#pragma once
#include "protocol/Layouts.h"

#include <QString>
#include <optional>

namespace qvx::devsim {

// IPv4 address in host byte order.
using Ipv4 = quint32;

// Strict dotted quad: four decimal numbers 0..255, nothing else.
std::optional<Ipv4> parseIpv4(const QString &text);
QString ipv4Text(Ipv4 address);

Octets4 toOctets(Ipv4 address);
Ipv4 fromOctets(const Octets4 &octets);

inline bool isMulticast(Ipv4 address) { return (address >> 28) == 0xE; }

// The devices' group.
Ipv4 DeviceGroup();

} // namespace qvx::devsim
