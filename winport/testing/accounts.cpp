// Test seam of the accounts family: what the store keeps for a password.
#include <winport/testing.h>

#include "accounts/account_directory.h"

#include <cstdio>

namespace winport::testing {

std::string StoredNtHash(const std::wstring& user) {
    using namespace winport::detail::accounts;
    AccountSession session;
    UserRow row;
    if (session.store == nullptr || LoadUser(*session.store, user, row) != Found::Yes) return {};
    std::string hex;
    char digits[3];
    for (unsigned char byte : row.nt_hash) {
        std::snprintf(digits, sizeof digits, "%02x", byte);
        hex += digits;
    }
    return hex;
}

}  // namespace winport::testing
