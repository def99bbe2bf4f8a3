// Account names in the "DOMAIN\user" form.
#include <common-win32/accounts.h>

void ParseDomainUser(const CString& account, CString& domain, CString& user) {
    const int backslash = account.Find(L'\\');
    if (backslash < 0) {
        domain = CString();
        user = account;
        return;
    }
    domain = account.Left(backslash);
    // A name that ends at its backslash names no user: the caller's value stays.
    if (backslash + 1 < account.GetLength()) user = account.Mid(backslash + 1);
}
