// POSIX emulation of the registry's value functions: query, set and delete. Values are kept as
// their bytes with their type; string data is stored as the caller's wchar_t units.
// No library logic here.
#include <winport/errors.h>
#include <winport/registry.h>

#include "core/calllog.h"
#include "core/fault.h"
#include "core/text.h"
#include "registry/reg_key.h"

#include <cstdio>
#include <cstring>

using namespace winport::detail;
using namespace winport::detail::reg;

namespace {

std::string Describe(HKEY key, LPCWSTR name) {
    char head[32];
    std::snprintf(head, sizeof head, "%p, \"", static_cast<void*>(key));
    return head + ToUtf8(name ? name : L"") + "\"";
}

std::wstring_view NameOf(LPCWSTR name) { return name ? std::wstring_view(name) : std::wstring_view(); }

// The key's last write time moves with every change below it.
LONG Touch(Session& session, std::int64_t key_id) {
    Query q(session.Get(Sql::TouchKey));
    q.Bind(1, FileTimeNow()).Bind(2, key_id);
    if (q.Step() || q.Result() != SQLITE_DONE) return ErrorFromSqlite(q.Result());
    return ERROR_SUCCESS;
}

}  // namespace

extern "C" LONG WINAPI RegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                        LPDWORD size) {
    LogCall("RegQueryValueExW", [&] { return Describe(key, name); });
    if (FaultPoint("RegQueryValueExW")) return static_cast<LONG>(GetLastError());
    if (reserved != nullptr || (data != nullptr && size == nullptr)) return ERROR_INVALID_PARAMETER;

    Session session;
    std::shared_ptr<KeyObject> object;
    if (LONG rc = PrepareKey(session, key, KEY_QUERY_VALUE, object); rc != ERROR_SUCCESS) return rc;

    std::string folded = FoldName(NameOf(name));
    Query q(session.Get(Sql::QueryValue));
    q.Bind(1, object->id).Bind(2, folded);
    if (!q.Step()) {
        if (q.Result() != SQLITE_DONE) return ErrorFromSqlite(q.Result());
        return MissingOr(session, object->id, ERROR_FILE_NOT_FOUND);
    }
    if (type) *type = static_cast<DWORD>(q.Int(0));
    return CopyData(q.Blob(1), data, size);
}

extern "C" LONG WINAPI RegSetValueExW(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data,
                                      DWORD size) {
    LogCall("RegSetValueExW", [&] {
        char tail[48];
        std::snprintf(tail, sizeof tail, ", %u, %u bytes", static_cast<unsigned>(type), static_cast<unsigned>(size));
        return Describe(key, name) + tail;
    });
    if (FaultPoint("RegSetValueExW")) return static_cast<LONG>(GetLastError());
    (void)reserved;  // ignored, as Windows does
    if (data == nullptr && size != 0) return ERROR_NOACCESS;
    std::wstring_view value_name = NameOf(name);
    if (value_name.size() > kMaxValueNameChars) return ERROR_INVALID_PARAMETER;

    Session session;
    std::shared_ptr<KeyObject> object;
    if (LONG rc = PrepareKey(session, key, KEY_SET_VALUE, object); rc != ERROR_SUCCESS) return rc;

    std::string utf8 = ToUtf8(value_name);
    std::string folded = FoldName(value_name);
    if (LONG rc = session.Begin(); rc != ERROR_SUCCESS) return rc;
    {
        Query q(session.Get(Sql::UpsertValue));
        q.Bind(1, object->id).Bind(2, utf8).Bind(3, folded).Bind(4, static_cast<std::int64_t>(type));
        q.BindBlob(5, data, size);
        if (q.Step() || q.Result() != SQLITE_DONE) {
            // The key was deleted through another handle: its id no longer satisfies the reference.
            return (q.Result() & 0xff) == SQLITE_CONSTRAINT ? ERROR_KEY_DELETED : ErrorFromSqlite(q.Result());
        }
    }
    if (LONG rc = Touch(session, object->id); rc != ERROR_SUCCESS) return rc;
    return session.Commit();
}

extern "C" LONG WINAPI RegDeleteValueW(HKEY key, LPCWSTR name) {
    LogCall("RegDeleteValueW", [&] { return Describe(key, name); });
    if (FaultPoint("RegDeleteValueW")) return static_cast<LONG>(GetLastError());

    Session session;
    std::shared_ptr<KeyObject> object;
    if (LONG rc = PrepareKey(session, key, KEY_SET_VALUE, object); rc != ERROR_SUCCESS) return rc;

    std::string folded = FoldName(NameOf(name));
    if (LONG rc = session.Begin(); rc != ERROR_SUCCESS) return rc;
    {
        Query q(session.Get(Sql::DeleteValue));
        q.Bind(1, object->id).Bind(2, folded);
        if (q.Step() || q.Result() != SQLITE_DONE) return ErrorFromSqlite(q.Result());
    }
    if (sqlite3_changes(session.db()) == 0) return MissingOr(session, object->id, ERROR_FILE_NOT_FOUND);
    if (LONG rc = Touch(session, object->id); rc != ERROR_SUCCESS) return rc;
    return session.Commit();
}
