// Test seams of winport: virtual clock, fault injection, handle accounting and the call log.
// They exist in the POSIX build only; tests that use them are kept out of the Windows suites.
#pragma once

#include <winport/export.h>
#include <winport/handle_kind.h>
#include <winport/types.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace winport::testing {

// ---- Clock ---------------------------------------------------------------------------------
// Under the virtual clock Sleep returns at once, advances the virtual time by the requested
// milliseconds and records the request; the time functions (_time64, GetTickCount, GetSystemTime)
// read the virtual time. `start_unix_ms` is milliseconds since 1970-01-01 UTC.
WINPORT_API void UseVirtualClock(std::int64_t start_unix_ms);
WINPORT_API void UseRealClock();
WINPORT_API bool VirtualClockActive();
WINPORT_API void AdvanceVirtualClock(std::int64_t ms);
WINPORT_API std::vector<DWORD> RecordedSleeps();
WINPORT_API void ClearRecordedSleeps();

// ---- Fault injection -----------------------------------------------------------------------
// Arms one fault: the nth call (1-based, counted from now) of any fault point, or of the named
// function only when `function` is given, fails with `error` as if the system had refused it.
WINPORT_API void FailNthCall(unsigned n, DWORD error, const char* function = nullptr);
WINPORT_API void DisarmFaults();
// Fault points passed since the last FailNthCall/DisarmFaults, and whether the armed one fired.
WINPORT_API unsigned FaultPointsPassed();
WINPORT_API bool FaultFired();
// The name of the function the fault fired in (empty when none fired).
WINPORT_API std::string FaultedFunction();

// ---- Handle accounting ---------------------------------------------------------------------
using winport::HandleKind;
WINPORT_API std::size_t LiveHandles(HandleKind kind);
WINPORT_API std::size_t LiveHandles();  // all kinds
WINPORT_API const char* HandleKindName(HandleKind kind);
// Blocks from LocalAlloc (and FormatMessageW's allocated buffers) not yet given to LocalFree.
WINPORT_API std::size_t LiveLocalBlocks();

// ---- Call log ------------------------------------------------------------------------------
// While on, each platform call is recorded as "Function(key arguments)".
WINPORT_API void StartCallLog();
WINPORT_API void StopCallLog();
WINPORT_API std::vector<std::string> CallLog();

// ---- Scripted services ----------------------------------------------------------------------
// One answer of QueryServiceStatus: the state, check point and wait hint reported, or, when
// `error` is not 0, a failed query with that last error.
struct ScriptedStatus {
    DWORD state = 0;
    DWORD check_point = 0;
    DWORD wait_hint = 0;
    DWORD error = 0;
};
// From now on, in this process, the installed service `name` (matched without case) answers
// QueryServiceStatus from `answers` in order, the last one repeating; StartServiceW fails with
// `start_error` unless it is 0, and ControlService fails with `control_error` unless it is 0 (on
// success it fills the status with the answer the next query would give, without using it up).
// Handles are still opened and checked as for any service; nothing is started or stopped.
WINPORT_API void ScriptService(const wchar_t* name, std::vector<ScriptedStatus> answers, DWORD start_error = 0,
                               DWORD control_error = 0);
WINPORT_API void ClearScriptedServices();
// How many QueryServiceStatus answers the scripted service has given so far.
WINPORT_API std::size_t ScriptedQueriesAnswered(const wchar_t* name);
// The pid of the process that runs the installed service `name`, or 0 when none does (a test
// kills it to see the manager's view of a crash, and ends what a test leaves running).
WINPORT_API std::int64_t ServiceProcessId(const wchar_t* name);

// ---- Security provider -----------------------------------------------------------------------
// From now on, in this process, every NTLM CHALLENGE carries `challenge` instead of 8 bytes from
// the system's random source; UseRandomServerChallenge goes back to random ones.
WINPORT_API void FixServerChallenge(const std::array<std::uint8_t, 8>& challenge);
WINPORT_API void UseRandomServerChallenge();

// ---- System state --------------------------------------------------------------------------
// Closes this process's connection to system.db, so the next call opens the store again
// (after a test has pointed WINPORT_ROOT somewhere else).
WINPORT_API void ResetStore();
// The folder that holds system.db: $WINPORT_ROOT, else ${XDG_STATE_HOME:-$HOME/.local/state}/winport.
WINPORT_API std::string StateDirectory();

// ---- Accounts ------------------------------------------------------------------------------
// The NT hash kept for a local account, in lower-case hexadecimal; empty when none is kept.
WINPORT_API std::string StoredNtHash(const std::wstring& user);

}  // namespace winport::testing
