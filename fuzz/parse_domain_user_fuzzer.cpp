// ParseDomainUser on any text: the domain is what comes before the first backslash, the user
// all after it (further backslashes included); without one the domain is empty and the user
// the whole name; a name ending at its first backslash leaves the user as it was.
#include "text_fuzz_input.h"

namespace fz = cw32fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fz::FuzzInput input(data, size);
    const std::wstring before = input.TakeText();
    const std::wstring account = input.TakeText();
    CString domain(L"stale"), user(before.c_str());
    ParseDomainUser(account.c_str(), domain, user);
    const std::size_t slash = account.find(L'\\');
    if (slash == std::wstring::npos) {
        fz::Require(domain.IsEmpty() && fz::Same(user, account));
    } else {
        fz::Require(fz::Same(domain, account.substr(0, slash)));
        fz::Require(fz::Same(user, slash + 1 < account.size() ? account.substr(slash + 1) : before));
    }
    return 0;
}
