// common-win32: Windows system routines for installation engines. The one public header:
// every exported function and class, and the Windows types and constants they use.
#pragma once

#include <common-win32/platform.h>
#include <common-win32/export.h>
#include <common-win32/cstring.h>
#include <common-win32/collections.h>
#include <common-win32/cfile.h>
#include <common-win32/host.h>
#include <common-win32/log.h>
#include <common-win32/conversions.h>
#include <common-win32/datetime.h>
#include <common-win32/system_message.h>
#include <common-win32/locale_info.h>
#include <common-win32/escaping.h>
#include <common-win32/paths.h>
#include <common-win32/arguments.h>
#include <common-win32/versions.h>
#include <common-win32/services.h>
#include <common-win32/accounts.h>
#include <common-win32/system_queries.h>
#include <common-win32/text_file.h>
#include <common-win32/files.h>
#include <common-win32/registry.h>
#include <common-win32/msi_log_message.h>
#include <common-win32/progress.h>
#include <common-win32/library_interop.h>
#include <common-win32/process.h>
