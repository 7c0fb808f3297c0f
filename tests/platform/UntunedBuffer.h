#pragma once
#include "platform/QtUdpEndpoint.h"

#include <gtest/gtest.h>

#include <string>

namespace qvx::test {

// What an untuned Linux gives a socket (net.core.rmem_default), halved: the system doubles
// what it is asked for. An endpoint asking for this shares its port among a group of sockets.
inline constexpr int kUntunedBuffer = 212992 / 2;

// The two buffers an endpoint test runs with: the one the endpoint asks for (one socket where
// the system grants it, as to root) and the untuned one (a group of sockets).
inline auto endpointBuffers() { return testing::Values(QtUdpEndpoint::kWantedReceiveBuffer, kUntunedBuffer); }

inline std::string endpointBufferName(const testing::TestParamInfo<int> &info)
{
    return info.param == kUntunedBuffer ? "UntunedSystem" : "WantedBuffer";
}

} // namespace qvx::test
