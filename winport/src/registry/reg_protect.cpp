// POSIX registry: per-key access control (the deny bits that stand in for a key's security
// descriptor) and the consistency check of the registry tables. No library logic here.
#include <winport/errors.h>
#include <winport/registry.h>

#include "registry/reg_key.h"

using namespace winport::detail;
using namespace winport::detail::reg;

namespace winport {

LONG RegSetKeyProtection(HKEY root, LPCWSTR subkey, bool deny_read, bool deny_write) {
    std::vector<std::wstring> parts;
    if (LONG rc = SplitSubkey(subkey, parts); rc != ERROR_SUCCESS) return rc;
    Session session;
    if (session.error()) return session.error();
    std::shared_ptr<KeyObject> base;
    if (LONG rc = ResolveKey(session, root, base); rc != ERROR_SUCCESS) return rc;
    if (LONG rc = session.Begin(); rc != ERROR_SUCCESS) return rc;
    Target target;
    if (LONG rc = Walk(session, *base, parts, 0, false, target); rc != ERROR_SUCCESS) return rc;
    {
        Query q(session.Get(Sql::SetDeny));
        q.Bind(1, (deny_read ? kDenyRead : 0) | (deny_write ? kDenyWrite : 0)).Bind(2, target.id);
        if (q.Step() || q.Result() != SQLITE_DONE) return ErrorFromSqlite(q.Result());
    }
    return session.Commit();
}

}  // namespace winport
