// A platform handle owned by one scope: closed on every path out of it. Null and
// INVALID_HANDLE_VALUE both mean "nothing held", as each appears where the other is not used.
#pragma once

#include "common-win32/platform.h"

#include <utility>

namespace cw32::process {

class OwnedHandle {
public:
    OwnedHandle() = default;
    explicit OwnedHandle(HANDLE h) : m_handle(h) {}
    ~OwnedHandle() { Close(); }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;

    static bool Holds(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    bool Valid() const { return Holds(m_handle); }
    HANDLE Get() const { return m_handle; }
    void Reset(HANDLE h) {
        Close();
        m_handle = h;
    }
    void Close() {
        if (Valid()) CloseHandle(m_handle);
        m_handle = nullptr;
    }

private:
    HANDLE m_handle = nullptr;
};

}  // namespace cw32::process
