// POSIX emulation of the local policy's account rights: LsaOpenPolicy, LsaClose,
// LsaEnumerateAccountRights, LsaAddAccountRights, LsaRemoveAccountRights and LsaFreeMemory.
// The rights are kept per SID in system.db, each change one transaction; no library logic here.
#include <winport/errors.h>
#include <winport/lsa.h>
#include <winport/message.h>

#include "accounts/account_directory.h"
#include "accounts/sid.h"
#include "core/calllog.h"
#include "core/fault.h"
#include "core/handles.h"
#include "core/local_memory.h"
#include "core/text.h"
#include "lsa/lsa_status.h"
#include "lsa/right_names.h"

#include <cstring>
#include <sqlite3.h>
#include <string>
#include <vector>

using namespace winport::detail;
using namespace winport::detail::accounts;
using namespace winport::detail::lsa;

namespace {

// Rows in the order they were granted, which is the order they are listed in.
const char kSchema[] = R"sql(
CREATE TABLE IF NOT EXISTS lsa_rights (sid BLOB NOT NULL, name TEXT NOT NULL, PRIMARY KEY (sid, name));
)sql";

// The access that changes the policy or its protection; READ_CONTROL is reading.
constexpr ACCESS_MASK kWriteAccess = (POLICY_WRITE & ~static_cast<ACCESS_MASK>(READ_CONTROL)) | DELETE | WRITE_DAC |
                                     WRITE_OWNER;
constexpr ACCESS_MASK kMaximumAllowed = 0x02000000;

struct PolicyObject : KernelObject {
    PolicyObject(ACCESS_MASK access, bool administrator)
        : KernelObject(HandleKind::Policy), granted(access), by_administrator(administrator) {}
    const ACCESS_MASK granted;
    const bool by_administrator;
};

// The store with the rights table, under the accounts' lock.
struct RightsSession : AccountSession {
    RightsSession() {
        if (store != nullptr && !store->EnsureSchema("lsa", kSchema)) store = nullptr;
    }
};

ACCESS_MASK MapGeneric(ACCESS_MASK access) {
    ACCESS_MASK mapped = access & ~static_cast<ACCESS_MASK>(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL);
    if (access & GENERIC_READ) mapped |= POLICY_READ;
    if (access & GENERIC_WRITE) mapped |= POLICY_WRITE;
    if (access & GENERIC_EXECUTE) mapped |= POLICY_EXECUTE;
    if (access & GENERIC_ALL) mapped |= POLICY_ALL_ACCESS;
    return mapped;
}

// An injected fault arrives as the thread's last error; so does a failure of the store.
NTSTATUS Faulted() { return StatusForError(GetLastError(), STATUS_UNSUCCESSFUL); }
NTSTATUS StoreFailed(DWORD error) { return StatusForError(error, STATUS_INTERNAL_DB_ERROR); }

std::shared_ptr<PolicyObject> Policy(LSA_HANDLE handle) {
    return LookupHandleAs<PolicyObject>(handle, HandleKind::Policy);
}

std::string Printable(PSID sid) {
    return SidLength(sid) != 0 ? ToUtf8(SidToString(CopySid(sid))) : std::string("invalid");
}

std::string Names(PLSA_UNICODE_STRING rights, ULONG count) {
    std::string text;
    for (ULONG i = 0; rights != nullptr && i < count && i < 8; ++i) {
        if (rights[i].Buffer == nullptr) continue;
        text += (i ? "," : "") + ToUtf8(std::wstring_view(rights[i].Buffer, rights[i].Length / sizeof(WCHAR)));
    }
    return text;
}

// The rights a call names, each a real right; the status to fail with otherwise.
NTSTATUS ReadNames(PLSA_UNICODE_STRING rights, ULONG count, std::vector<std::wstring>& names) {
    if (rights == nullptr && count != 0) return STATUS_INVALID_PARAMETER;
    for (ULONG i = 0; i < count; ++i) {
        const LSA_UNICODE_STRING& right = rights[i];
        if (right.Length % sizeof(WCHAR) != 0 || right.Length > right.MaximumLength ||
            (right.Buffer == nullptr && right.Length != 0))
            return STATUS_INVALID_PARAMETER;
        std::wstring name(right.Buffer != nullptr ? right.Buffer : L"", right.Length / sizeof(WCHAR));
        if (!KnownRight(name)) return STATUS_NO_SUCH_PRIVILEGE;
        names.push_back(std::move(name));
    }
    return STATUS_SUCCESS;
}

// The policy handle with the access a call needs, and the account's SID; the status otherwise.
NTSTATUS Admit(LSA_HANDLE handle, PSID sid, ACCESS_MASK needed, std::shared_ptr<PolicyObject>& policy) {
    policy = Policy(handle);
    if (!policy) return STATUS_INVALID_HANDLE;
    if ((policy->granted & needed) != needed) return STATUS_ACCESS_DENIED;
    if (sid == nullptr) return STATUS_INVALID_PARAMETER;
    if (SidLength(sid) == 0) return STATUS_INVALID_SID;
    return STATUS_SUCCESS;
}

std::vector<std::wstring> HeldRights(Store& store, const SidBytes& sid, DWORD& error) {
    std::vector<std::wstring> held;
    Statement select(store, "SELECT name FROM lsa_rights WHERE sid = ? ORDER BY rowid");
    select.BindBlob(1, sid.data(), sid.size());
    while (select.Step()) held.push_back(FromUtf8(select.Text(0)));
    error = select.last_result() == SQLITE_DONE ? ERROR_SUCCESS : StoreError(select.last_result());
    return held;
}

// The rights as one local block: the counted strings, then their texts, each terminated.
PLSA_UNICODE_STRING RightsBlock(const std::vector<std::wstring>& rights) {
    std::size_t bytes = rights.size() * sizeof(LSA_UNICODE_STRING);
    for (const std::wstring& right : rights) bytes += (right.size() + 1) * sizeof(WCHAR);
    auto* block = static_cast<PLSA_UNICODE_STRING>(AllocateLocalBlock(bytes, true));
    if (block == nullptr) return nullptr;
    auto* text = reinterpret_cast<WCHAR*>(block + rights.size());
    for (std::size_t i = 0; i < rights.size(); ++i) {
        std::memcpy(text, rights[i].c_str(), (rights[i].size() + 1) * sizeof(WCHAR));
        block[i].Buffer = text;
        block[i].Length = static_cast<USHORT>(rights[i].size() * sizeof(WCHAR));
        block[i].MaximumLength = static_cast<USHORT>(block[i].Length + sizeof(WCHAR));
        text += rights[i].size() + 1;
    }
    return block;
}

}  // namespace

// Any caller reads the policy; an access that would change it needs an administrator of this
// machine (see CallerAdministers: root, or the owner of the state directory), as on Windows,
// where only administrators open the policy for writing.
extern "C" NTSTATUS WINAPI LsaOpenPolicy(PLSA_UNICODE_STRING SystemName, PLSA_OBJECT_ATTRIBUTES ObjectAttributes,
                                         ACCESS_MASK DesiredAccess, PLSA_HANDLE PolicyHandle) {
    LogCall("LsaOpenPolicy", [&] { return "access=" + std::to_string(DesiredAccess); });
    if (FaultPoint("LsaOpenPolicy")) return Faulted();
    if (ObjectAttributes == nullptr || PolicyHandle == nullptr) return STATUS_INVALID_PARAMETER;
    if (SystemName != nullptr && SystemName->Length != 0) {
        if (SystemName->Buffer == nullptr) return STATUS_INVALID_PARAMETER;
        const std::wstring name(SystemName->Buffer, SystemName->Length / sizeof(WCHAR));
        std::wstring_view bare(name);
        if (bare.substr(0, 2) == L"\\\\") bare.remove_prefix(2);
        // Only this machine's policy is kept; another machine's cannot be reached.
        if (FoldCase(bare) != FoldCase(LocalDomain())) return RPC_NT_SERVER_UNAVAILABLE;
    }
    const bool administrator = CallerAdministers();
    ACCESS_MASK access = MapGeneric(DesiredAccess);
    // MAXIMUM_ALLOWED: what this caller may have.
    if (access & kMaximumAllowed)
        access = (access & ~kMaximumAllowed) | (administrator ? POLICY_ALL_ACCESS : POLICY_READ | POLICY_EXECUTE);
    if ((access & kWriteAccess) != 0 && !administrator) return STATUS_ACCESS_DENIED;
    *PolicyHandle = RegisterHandle(std::make_shared<PolicyObject>(access, administrator));
    return STATUS_SUCCESS;
}

extern "C" NTSTATUS WINAPI LsaClose(LSA_HANDLE ObjectHandle) {
    LogCall("LsaClose", [] { return std::string(); });
    // As with the other closes, an injected failure still releases the handle: closing a valid
    // handle cannot fail half-way on Windows, the fault only tests that callers survive it.
    const bool fault = FaultPoint("LsaClose");
    const NTSTATUS fault_status = fault ? Faulted() : STATUS_SUCCESS;
    if (!Policy(ObjectHandle)) return STATUS_INVALID_HANDLE;
    ReleaseHandle(ObjectHandle);
    return fault_status;
}

extern "C" NTSTATUS WINAPI LsaFreeMemory(PVOID Buffer) {
    LogCall("LsaFreeMemory", [] { return std::string(); });
    const bool fault = FaultPoint("LsaFreeMemory");
    const NTSTATUS fault_status = fault ? Faulted() : STATUS_SUCCESS;
    if (Buffer != nullptr && LocalFree(Buffer) != nullptr) return STATUS_INVALID_PARAMETER;
    return fault_status;
}

extern "C" NTSTATUS WINAPI LsaEnumerateAccountRights(LSA_HANDLE PolicyHandle, PSID AccountSid,
                                                     PLSA_UNICODE_STRING* UserRights, PULONG CountOfRights) {
    LogCall("LsaEnumerateAccountRights", [&] { return Printable(AccountSid); });
    if (FaultPoint("LsaEnumerateAccountRights")) return Faulted();
    std::shared_ptr<PolicyObject> policy;
    if (const NTSTATUS status = Admit(PolicyHandle, AccountSid, POLICY_LOOKUP_NAMES, policy); status != STATUS_SUCCESS)
        return status;
    if (UserRights == nullptr || CountOfRights == nullptr) return STATUS_INVALID_PARAMETER;
    *UserRights = nullptr;
    *CountOfRights = 0;
    RightsSession session;
    if (session.store == nullptr) return StoreFailed(GetLastError());
    DWORD error = ERROR_SUCCESS;
    const std::vector<std::wstring> held = HeldRights(*session.store, CopySid(AccountSid), error);
    if (error != ERROR_SUCCESS) return StoreFailed(error);
    // An account that holds nothing has no entry in the policy at all.
    if (held.empty()) return STATUS_OBJECT_NAME_NOT_FOUND;
    PLSA_UNICODE_STRING block = RightsBlock(held);
    if (block == nullptr) return STATUS_NO_MEMORY;
    *UserRights = block;
    *CountOfRights = static_cast<ULONG>(held.size());
    return STATUS_SUCCESS;
}

extern "C" NTSTATUS WINAPI LsaAddAccountRights(LSA_HANDLE PolicyHandle, PSID AccountSid,
                                               PLSA_UNICODE_STRING UserRights, ULONG CountOfRights) {
    LogCall("LsaAddAccountRights", [&] { return Printable(AccountSid) + ", " + Names(UserRights, CountOfRights); });
    if (FaultPoint("LsaAddAccountRights")) return Faulted();
    // Granting makes the account's entry when it has none: the handle must allow both.
    std::shared_ptr<PolicyObject> policy;
    if (const NTSTATUS status = Admit(PolicyHandle, AccountSid, POLICY_LOOKUP_NAMES | POLICY_CREATE_ACCOUNT, policy);
        status != STATUS_SUCCESS)
        return status;
    std::vector<std::wstring> names;
    if (const NTSTATUS status = ReadNames(UserRights, CountOfRights, names); status != STATUS_SUCCESS) return status;
    RightsSession session;
    if (session.store == nullptr) return StoreFailed(GetLastError());
    const SidBytes sid = CopySid(AccountSid);
    Transaction transaction(*session.store);
    if (!transaction.ok()) return StoreFailed(GetLastError());
    for (const std::wstring& name : names) {
        Statement insert(*session.store, "INSERT OR IGNORE INTO lsa_rights (sid, name) VALUES (?, ?)");
        insert.BindBlob(1, sid.data(), sid.size()).Bind(2, ToUtf8(name));
        if (!insert.Done()) return StoreFailed(StoreError(insert.last_result()));
    }
    return transaction.Commit() ? STATUS_SUCCESS : StoreFailed(GetLastError());
}

// AllRights removes the account's whole entry and ignores the list; otherwise the named rights
// go (those not held are passed over). An account without an entry: STATUS_OBJECT_NAME_NOT_FOUND.
extern "C" NTSTATUS WINAPI LsaRemoveAccountRights(LSA_HANDLE PolicyHandle, PSID AccountSid, BOOLEAN AllRights,
                                                  PLSA_UNICODE_STRING UserRights, ULONG CountOfRights) {
    LogCall("LsaRemoveAccountRights", [&] {
        return Printable(AccountSid) + (AllRights ? ", all" : ", " + Names(UserRights, CountOfRights));
    });
    if (FaultPoint("LsaRemoveAccountRights")) return Faulted();
    std::shared_ptr<PolicyObject> policy;
    if (const NTSTATUS status = Admit(PolicyHandle, AccountSid, POLICY_LOOKUP_NAMES, policy); status != STATUS_SUCCESS)
        return status;
    // The account's own entry allows changes to administrators only.
    if (!policy->by_administrator) return STATUS_ACCESS_DENIED;
    std::vector<std::wstring> names;
    if (!AllRights) {
        if (CountOfRights == 0) return STATUS_INVALID_PARAMETER;
        if (const NTSTATUS status = ReadNames(UserRights, CountOfRights, names); status != STATUS_SUCCESS)
            return status;
    }
    RightsSession session;
    if (session.store == nullptr) return StoreFailed(GetLastError());
    const SidBytes sid = CopySid(AccountSid);
    Transaction transaction(*session.store);
    if (!transaction.ok()) return StoreFailed(GetLastError());
    DWORD error = ERROR_SUCCESS;
    const bool has_entry = !HeldRights(*session.store, sid, error).empty();
    if (error != ERROR_SUCCESS) return StoreFailed(error);
    if (!has_entry) return STATUS_OBJECT_NAME_NOT_FOUND;
    if (AllRights) {
        Statement remove(*session.store, "DELETE FROM lsa_rights WHERE sid = ?");
        remove.BindBlob(1, sid.data(), sid.size());
        if (!remove.Done()) return StoreFailed(StoreError(remove.last_result()));
    }
    for (const std::wstring& name : names) {
        Statement remove(*session.store, "DELETE FROM lsa_rights WHERE sid = ? AND name = ?");
        remove.BindBlob(1, sid.data(), sid.size()).Bind(2, ToUtf8(name));
        if (!remove.Done()) return StoreFailed(StoreError(remove.last_result()));
    }
    return transaction.Commit() ? STATUS_SUCCESS : StoreFailed(GetLastError());
}
