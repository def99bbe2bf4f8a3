// The server challenge of each NTLM exchange: 8 bytes from the system's random source, or the
// fixed bytes a test has asked for (winport::testing::FixServerChallenge).
#pragma once

#include "sspi/ntlm_messages.h"

#include <optional>

namespace winport::detail::ntlm {

Challenge NewServerChallenge();
// The test seam's fixed challenge, when one is set (testing/server_challenge.cpp).
std::optional<Challenge> FixedServerChallenge();

}  // namespace winport::detail::ntlm
