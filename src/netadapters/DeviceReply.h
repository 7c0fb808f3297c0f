#pragma once
#include "netadapters/LocalCard.h"
#include "protocol/Layouts.h"

#include <optional>

namespace qvx {

// Where a reply came from: the device's address and the card it arrived on.
struct ReplyOrigin {
    quint32 sourceAddress = 0;            // host byte order; 0 when unknown
    std::optional<LocalCard> card;        // nothing when it came in on no listed card
};

// One device's answer to a discovery, decoded.
struct DeviceReply {
    DiscoveryRecord record;
    // Record bytes the reply carried: fields beyond them were not sent.
    int recordLength = 0;
    ReplyOrigin origin;
};

} // namespace qvx
