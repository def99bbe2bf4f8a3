// The random bytes of an NTLM exchange. The server challenge of each exchange: 8 bytes from the system's random source, or the
// fixed bytes a test has asked for (winport::testing::FixServerChallenge).
#pragma once

#include "sspi/ntlm_messages.h"

#include <optional>

namespace winport::detail::ntlm {

Challenge NewServerChallenge();
// Bytes from the system's random source (the client's challenge and session key as well).
void RandomBytes(std::uint8_t* out, std::size_t size);
// The test seam's fixed challenge, when one is set (testing/server_challenge.cpp).
std::optional<Challenge> FixedServerChallenge();

}  // namespace winport::detail::ntlm
