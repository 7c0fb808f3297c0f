#pragma once
#include "netadapters/LocalCard.h"

namespace qvx {

// The network cards of this computer, read afresh at every call (USB adapters come and go).
class CardSource {
public:
    virtual ~CardSource() = default;
    // Every card the system lists, loopback and cards without IPv4 included, in the system's
    // order (interface index).
    virtual QList<LocalCard> listCards() = 0;
};

} // namespace qvx
