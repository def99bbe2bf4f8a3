// One named service as the lifecycle functions act on it: a control-manager handle for the
// object's whole life, and a service handle opened only when an operation needs it, with just
// the rights asked for so far. Internal to the library (not exported).
#pragma once

#include <common-win32/cstring.h>
#include <common-win32/host.h>

#include "common-win32/platform.h"
#include "support/unique_handle.h"

class CNTService {
public:
    // Opens the control manager with every right; LastError tells why when it could not.
    CNTService(const wchar_t* name, boost::shared_ptr<ILogger> logger);
    ~CNTService();
    CNTService(const CNTService&) = delete;
    CNTService& operator=(const CNTService&) = delete;

    // The Windows error of the last failed open (0 when none failed).
    DWORD LastError() const { return last_error_; }
    // Sends the stop control and waits: true once the wait is over (stopped, stalled, or a state
    // that held), and for a service that was not running; false when it cannot be done.
    bool Stop();
    // Sets the start type to disabled.
    bool Disable();

private:
    // A service handle holding at least `rights`, reopened with the union when it lacks some.
    bool EnsureAccess(DWORD rights);
    // False only when a status query failed; true when waiting is over for any other reason.
    bool WaitForState(DWORD desired);

    cw32::UniqueServiceHandle manager_;
    cw32::UniqueServiceHandle service_;
    CString name_;
    DWORD last_error_ = 0;
    DWORD access_ = 0;
    boost::shared_ptr<ILogger> logger_;
};
