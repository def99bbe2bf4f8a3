// POSIX emulation of registry enumeration: subkeys in case-insensitive name order, values in
// case-insensitive name order, and RegQueryInfoKeyW. No library logic here.
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

std::string Describe(HKEY key, DWORD index) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%p, %u", static_cast<void*>(key), static_cast<unsigned>(index));
    return buf;
}

void ToFileTime(std::int64_t value, PFILETIME out) {
    if (!out) return;
    out->dwLowDateTime = static_cast<DWORD>(value & 0xFFFFFFFF);
    out->dwHighDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(value) >> 32);
}

// Positions `q` on entry `index` of a child table. Walking 0, 1, 2 ... with nothing changed in
// between continues from the last name (an index seek) instead of counting from the start.
bool StepTo(Session& session, Query& after, Query& at_offset, std::int64_t parent, DWORD index,
            Generation& cursor_at, DWORD& cursor_index, std::string& cursor_name, Query*& row) {
    Generation now = session.Now();
    if (now == cursor_at && index == cursor_index + 1 && !cursor_name.empty()) {
        after.Bind(1, parent).Bind(2, cursor_name);
        row = &after;
    } else {
        at_offset.Bind(1, parent).Bind(2, static_cast<std::int64_t>(index));
        row = &at_offset;
    }
    if (!row->Step()) {
        cursor_name.clear();
        return false;
    }
    cursor_at = now;
    cursor_index = index;
    cursor_name.assign(row->Text(1));
    return true;
}

LONG NextSubkey(HKEY key, DWORD index, LPWSTR name, DWORD capacity, LPDWORD length, PFILETIME written) {
    if (name == nullptr) return ERROR_INVALID_PARAMETER;
    Session session;
    std::shared_ptr<KeyObject> object;
    if (LONG rc = PrepareKey(session, key, KEY_ENUMERATE_SUB_KEYS, object); rc != ERROR_SUCCESS) return rc;
    Query after(session.Get(Sql::ChildAfter)), at_offset(session.Get(Sql::ChildAtOffset));
    Query* row = nullptr;
    if (!StepTo(session, after, at_offset, object->id, index, object->subkey_at, object->subkey_index,
                object->subkey_folded, row)) {
        return row->Result() == SQLITE_DONE ? ERROR_NO_MORE_ITEMS : ErrorFromSqlite(row->Result());
    }
    if (LONG rc = CopyName(row->Text(0), name, capacity, length); rc != ERROR_SUCCESS) return rc;
    ToFileTime(row->Int(2), written);
    return ERROR_SUCCESS;
}

}  // namespace

extern "C" LONG WINAPI RegEnumKeyW(HKEY key, DWORD index, LPWSTR name, DWORD capacity) {
    LogCall("RegEnumKeyW", [&] { return Describe(key, index); });
    if (FaultPoint("RegEnumKeyW")) return static_cast<LONG>(GetLastError());
    return NextSubkey(key, index, name, capacity, nullptr, nullptr);
}

extern "C" LONG WINAPI RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD length, LPDWORD reserved,
                                     LPWSTR key_class, LPDWORD class_length, PFILETIME written) {
    LogCall("RegEnumKeyExW", [&] { return Describe(key, index); });
    if (FaultPoint("RegEnumKeyExW")) return static_cast<LONG>(GetLastError());
    if (length == nullptr || reserved != nullptr) return ERROR_INVALID_PARAMETER;
    LONG rc = NextSubkey(key, index, name, *length, length, written);
    if (rc == ERROR_SUCCESS && key_class) {  // classes are not kept: always empty
        if (class_length && *class_length) key_class[0] = L'\0';
    }
    if (rc == ERROR_SUCCESS && class_length) *class_length = 0;
    return rc;
}

extern "C" LONG WINAPI RegEnumValueW(HKEY key, DWORD index, LPWSTR name, LPDWORD length, LPDWORD reserved,
                                     LPDWORD type, LPBYTE data, LPDWORD size) {
    LogCall("RegEnumValueW", [&] { return Describe(key, index); });
    if (FaultPoint("RegEnumValueW")) return static_cast<LONG>(GetLastError());
    if (name == nullptr || length == nullptr || reserved != nullptr || (data != nullptr && size == nullptr))
        return ERROR_INVALID_PARAMETER;
    Session session;
    std::shared_ptr<KeyObject> object;
    if (LONG rc = PrepareKey(session, key, KEY_QUERY_VALUE, object); rc != ERROR_SUCCESS) return rc;
    Query after(session.Get(Sql::ValueAfter)), at_offset(session.Get(Sql::ValueAtOffset));
    Query* row = nullptr;
    if (!StepTo(session, after, at_offset, object->id, index, object->value_at, object->value_index,
                object->value_folded, row)) {
        return row->Result() == SQLITE_DONE ? ERROR_NO_MORE_ITEMS : ErrorFromSqlite(row->Result());
    }
    if (LONG rc = CopyName(row->Text(0), name, *length, length); rc != ERROR_SUCCESS) return rc;
    if (type) *type = static_cast<DWORD>(row->Int(2));
    return CopyData(row->Blob(3), data, size);
}

extern "C" LONG WINAPI RegQueryInfoKeyW(HKEY key, LPWSTR key_class, LPDWORD class_length, LPDWORD reserved,
                                        LPDWORD subkeys, LPDWORD longest_subkey, LPDWORD longest_class,
                                        LPDWORD values, LPDWORD longest_value_name, LPDWORD longest_value_data,
                                        LPDWORD security_size, PFILETIME written) {
    LogCall("RegQueryInfoKeyW", [&] { return Describe(key, 0); });
    if (FaultPoint("RegQueryInfoKeyW")) return static_cast<LONG>(GetLastError());
    if (reserved != nullptr) return ERROR_INVALID_PARAMETER;
    Session session;
    std::shared_ptr<KeyObject> object;
    if (LONG rc = PrepareKey(session, key, KEY_QUERY_VALUE, object); rc != ERROR_SUCCESS) return rc;

    // Counting is a scan of the key's children: it is done once per change of the store.
    Generation now = session.Now();
    if (!(now == object->counts_at)) {
        KeyCounts counts;
        {
            Query q(session.Get(Sql::KeyExists));
            q.Bind(1, object->id);
            if (!q.Step()) return q.Result() == SQLITE_DONE ? ERROR_KEY_DELETED : ErrorFromSqlite(q.Result());
            counts.written = q.Int(1);
        }
        {
            Query q(session.Get(Sql::KeyInfo));
            q.Bind(1, object->id);
            if (!q.Step()) return ErrorFromSqlite(q.Result());
            counts.subkeys = static_cast<DWORD>(q.Int(0));
            counts.longest_subkey = static_cast<DWORD>(q.Int(1));
        }
        {
            Query q(session.Get(Sql::ValueInfo));
            q.Bind(1, object->id);
            if (!q.Step()) return ErrorFromSqlite(q.Result());
            counts.values = static_cast<DWORD>(q.Int(0));
            counts.longest_value_name = static_cast<DWORD>(q.Int(1));
            counts.longest_value_data = static_cast<DWORD>(q.Int(2));
        }
        object->counts = counts;
        object->counts_at = now;
    }
    const KeyCounts& c = object->counts;
    if (key_class && class_length && *class_length) key_class[0] = L'\0';
    if (class_length) *class_length = 0;
    if (subkeys) *subkeys = c.subkeys;
    if (longest_subkey) *longest_subkey = c.longest_subkey;
    if (longest_class) *longest_class = 0;
    if (values) *values = c.values;
    if (longest_value_name) *longest_value_name = c.longest_value_name;
    if (longest_value_data) *longest_value_data = c.longest_value_data;
    if (security_size) *security_size = 0;  // no descriptor is kept, only the deny bits
    ToFileTime(c.written, written);
    return ERROR_SUCCESS;
}
