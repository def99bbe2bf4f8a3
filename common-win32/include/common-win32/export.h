// Symbol visibility of the library: exported from common-win32.dll / libcommon-win32.so,
// imported by everything that links against it.
#pragma once

#if defined(_WIN32)
#  if defined(CW32_BUILDING_LIBRARY)
#    define CW32_API __declspec(dllexport)
#  else
#    define CW32_API __declspec(dllimport)
#  endif
#else
#  define CW32_API __attribute__((visibility("default")))
#endif
