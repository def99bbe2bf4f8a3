// The one header that reaches the platform. Everything in the library, and every public
// header that needs a Windows type, includes this and nothing else of the system's.
#pragma once

#if defined(_WIN32)
#  ifndef _WIN32_WINNT
#    define _WIN32_WINNT 0x0601  // Windows 7: mingw-w64 defaults to 0x0502, too old for the APIs used
#  endif
#  ifndef WIN32_LEAN_AND_MEAN
#    define WIN32_LEAN_AND_MEAN
#  endif
#  ifndef NOMINMAX
#    define NOMINMAX
#  endif
#  include <windows.h>
#  include <winsvc.h>
#  define SECURITY_WIN32
#  include <ntsecapi.h>
#  include <security.h>
#  include <sspi.h>
#  include <msi.h>
#  include <shellapi.h>
#  include <lm.h>
#  include <sddl.h>
#else
#  include <winport/win32.h>
#endif
