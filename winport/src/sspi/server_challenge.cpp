#include "sspi/server_challenge.h"

#include <cerrno>
#include <cstdlib>
#include <sys/random.h>

namespace winport::detail::ntlm {

Challenge NewServerChallenge() {
    if (std::optional<Challenge> fixed = FixedServerChallenge()) return *fixed;
    Challenge out{};
    RandomBytes(out.data(), out.size());
    return out;
}

void RandomBytes(std::uint8_t* out, std::size_t size) {
    std::size_t filled = 0;
    while (filled < size) {
        const ssize_t got = getrandom(out + filled, size - filled, 0);
        if (got > 0) {
            filled += static_cast<std::size_t>(got);
        } else if (got < 0 && errno != EINTR) {
            // Without a random source every challenge could be foreseen: stop rather than
            // authenticate anyone on predictable bytes.
            std::abort();
        }
    }
}

}  // namespace winport::detail::ntlm
