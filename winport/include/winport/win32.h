// winport: the Win32 subset common-win32 calls, for POSIX systems. Include this (through
// <common-win32/platform.h>) instead of <windows.h>.
#pragma once

#include <winport/types.h>
#include <winport/errors.h>
#include <winport/kernel.h>
#include <winport/crt.h>
#include <winport/fileattr.h>
#include <winport/filecopy.h>
#include <winport/find.h>
#include <winport/directory.h>
#include <winport/shell.h>
#include <winport/message.h>
#include <winport/locale.h>
#include <winport/chars.h>
#include <winport/file.h>
#include <winport/paths.h>
#include <winport/registry.h>
#include <winport/process.h>
#include <winport/env.h>
#include <winport/module.h>
#include <winport/msi.h>
#include <winport/profile.h>
#include <winport/computer.h>
#include <winport/service.h>
#include <winport/security.h>
#include <winport/netapi.h>
#include <winport/lsa.h>
#include <winport/sspi.h>
