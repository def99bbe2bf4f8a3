// The host's side of the boundary: the engine that loads the library implements these two
// interfaces and hands them to every exported function as boost::shared_ptr by value.
#pragma once

#include <common-win32/cstring.h>
#include <common-win32/export.h>

#include <boost/shared_ptr.hpp>

#include <string>

// Slot 0: Write. The host's object is owned by the shared pointer's control block, so neither
// interface has a virtual destructor: adding one would move the slots the host relies on.
class ILogger {
public:
    virtual void Write(int level, const std::wstring& text) = 0;

protected:
    ~ILogger() = default;
};

// Slot 0: Write (inherited), slot 1: GetArgumentValue. The ILogger part is at the start of the
// object, so the same pointer value serves as a logger.
class IActionContext : public ILogger {
public:
    virtual boost::shared_ptr<std::wstring> GetArgumentValue(const std::wstring& name) = 0;

protected:
    ~IActionContext() = default;
};

// Log levels passed to ILogger::Write.
enum LogLevel : int {
    LOG_LEVEL_INFO = 2,
    LOG_LEVEL_WARNING = 3,
    LOG_LEVEL_ERROR = 4,
};

// The host's value for the named argument, as given (an empty text when the host has none).
CW32_API CString GetCStringArg(boost::shared_ptr<IActionContext> context, const std::wstring& name);
