// CLibraryInterop: loads one dynamic library at a time, looks functions up in it by name and
// unloads it at destruction, logging each step with the prefix "[CLibraryInterop] ".
#pragma once

#include <common-win32/export.h>
#include <common-win32/host.h>
#include <common-win32/msi_log_message.h>
#include <common-win32/platform.h>

// Virtual slots: 0 destructor, 1 SetFile, 2 GetFunction.
class CW32_API CLibraryInterop {
public:
    // A non-null path is loaded at once (SetFile, called directly).
    CLibraryInterop(boost::shared_ptr<ILogger> logger, const wchar_t* path);
    // A copy takes a load reference of its own on the same library, so that every object
    // releases exactly the load it holds.
    CLibraryInterop(const CLibraryInterop& other);
    CLibraryInterop& operator=(const CLibraryInterop& other);
    virtual ~CLibraryInterop();

    // Frees the current library, then loads `path` (its dependencies are looked for in its own
    // directory first). True when a library is loaded afterwards; a null path just unloads.
    virtual bool SetFile(const wchar_t* path);
    // The address of the exported function, or null.
    virtual FARPROC GetFunction(const wchar_t* name);

protected:
    // Frees the loaded library, if any; always true.
    bool Unload();

private:
    HMODULE m_module;
    boost::shared_ptr<ILogger> m_logger;
    CMsiLogMessage m_log;
};
