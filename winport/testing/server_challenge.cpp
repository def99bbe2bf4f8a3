// Server challenge seam: a fixed challenge for every NTLM exchange of this process, so a test
// can check an exchange against known bytes.
#include "sspi/server_challenge.h"

#include <winport/testing.h>

#include <mutex>

namespace winport::detail::ntlm {
namespace {

struct Fixed {
    std::mutex mutex;
    std::optional<Challenge> challenge;
};

Fixed& fixed() {
    static auto* f = new Fixed;
    return *f;
}

}  // namespace

std::optional<Challenge> FixedServerChallenge() {
    std::lock_guard<std::mutex> lock(fixed().mutex);
    return fixed().challenge;
}

}  // namespace winport::detail::ntlm

namespace winport::testing {

void FixServerChallenge(const std::array<std::uint8_t, 8>& challenge) {
    std::lock_guard<std::mutex> lock(detail::ntlm::fixed().mutex);
    detail::ntlm::fixed().challenge = challenge;
}

void UseRandomServerChallenge() {
    std::lock_guard<std::mutex> lock(detail::ntlm::fixed().mutex);
    detail::ntlm::fixed().challenge.reset();
}

}  // namespace winport::testing
