#pragma once
#include "netadapters/LocalCard.h"

#include <QPixmap>

namespace qvx {

// The picture of a device row's flags, shown beside its IP address: an amber triangle with
// "!" for an address outside its card's subnet, a blue square with "=" for an address shared
// with other listed devices, both side by side when both apply; a null picture for none. A picture, not an icon: the grid
// shows it at its own size, so that the pair is not squeezed into one square.
// Never colour alone: each flag has its own shape, and the row's tooltip and accessible
// text say the same in words (deviceFlagsText).
QPixmap deviceFlagPicture(const DeviceFlags &flags);

} // namespace qvx
