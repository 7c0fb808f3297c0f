#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <optional>

namespace qvx {

// One network card of this computer, as the discovery sees it (the endpoint's NetworkCard
// is the narrower send target: an interface index and an address). IPv4 addresses are numbers
// in host order (192.168.0.1 is 0xC0A80001); 0 means none.
struct LocalCard {
    // A further IPv4 address of the card, with its prefix length (an installer often adds
    // one on the devices' factory subnet).
    struct Subnet {
        quint32 address = 0;
        int prefixLength = 0;
        friend bool operator==(const Subnet &, const Subnet &) = default;
    };

    QString name;            // "eth1"
    int index = 0;           // interface index; 0 when unknown
    QString macAddress;      // "00-04-A3-01-0A-FF"; empty when the card has none
    quint32 address = 0;     // its first IPv4 address
    int prefixLength = 0;    // of that address
    QList<Subnet> otherSubnets;  // its further IPv4 addresses
    quint32 gateway = 0;     // the default gateway through this card
    bool up = false;
    bool multicast = false;  // can send to a multicast group
    bool loopback = false;

    bool hasIPv4() const { return address != 0; }
    quint32 netmask() const;
    // True when `ip` lies in the card's subnet, or in the subnet of a further address.
    bool holds(quint32 ip) const;
    QString addressText() const;
    QString netmaskText() const;
    QString gatewayText() const;
    // "eth1 192.168.0.200": the grid's "Network card" cell.
    QString label() const;
    // "eth1 192.168.0.200/24": the card selector's entry.
    QString selectorText() const;

    friend bool operator==(const LocalCard &, const LocalCard &) = default;
};

// "192.168.0.1" for 0xC0A80001.
QString dottedText(quint32 address);
// The number of a dotted IPv4 address ("192.168.0.1"); nothing for any other text.
std::optional<quint32> parseDotted(const QString &text);

// Why the discovery cannot search `card` ("Network is down", "no IPv4 address", ...); empty
// when it can: an up, multicast-capable card other than loopback, with an IPv4 address.
QString whyNotSearchable(const LocalCard &card);
inline bool isSearchable(const LocalCard &card) { return whyNotSearchable(card).isEmpty(); }

// The cards the selector offers and "All network cards" searches, in the listed order.
QList<LocalCard> searchableCards(const QList<LocalCard> &listed);

// The line that names a card the search skipped: "Not searched on eth2: Network is down".
QString notSearchedText(const QString &cardName, const QString &reason);

// The card a reply belongs to, as an index into `cards`, -1 when none: the card with the
// interface index the datagram arrived on, else the card that holds the datagram's
// destination address, else the card whose subnet holds `source` (the device's address).
// An index or address of 0 is unknown and not compared.
qsizetype attributeReply(const QList<LocalCard> &cards, int interfaceIndex, quint32 destination,
                         quint32 source);

// The flags an installer needs to see on a device row.
// The device's address is outside the subnet of the card it answered on (or it answered on
// no known card): the programmer window cannot reach it by address.
bool isOutsideCardSubnet(const LocalCard *card, quint32 deviceAddress);
QString outsideSubnetText(const LocalCard *card, const QString &deviceAddress);
// `count` listed devices (two or more) use the same address.
QString sharedAddressText(const QString &deviceAddress, int count);

// The flags of one listed device.
struct DeviceFlags {
    bool outsideSubnet = false;  // see isOutsideCardSubnet
    int sharedBy = 0;            // listed devices with this address, this one included
    bool sharedAddress() const { return sharedBy >= 2; }
    bool any() const { return outsideSubnet || sharedAddress(); }
};
// The explanation of a device's flags, one sentence per flag, for a tooltip and for screen
// readers; empty when the device has none.
QString deviceFlagsText(const DeviceFlags &flags, const LocalCard *card, const QString &deviceAddress);

// The sentence the programmer window adds to a failed send towards `target`, when no card's
// subnet holds it; empty when a card holds it, when no card with an IPv4 address is listed
// at all (nothing is known then), or when the target is not an IPv4 address.
QString unreachableTargetText(const QList<LocalCard> &cards, const QString &target);

} // namespace qvx
