// Passwords for cw32's subcommands: never from the command line, where other users and the
// shell's history could read them.
#pragma once

#include <string>

namespace cw32::cli {

// One line of standard input, without its line end. On a terminal `prompt` goes to standard
// error first and the typed characters are not echoed. False at the end of input before any
// character or line end.
bool ReadPassword(const std::wstring& prompt, std::wstring& password);

}  // namespace cw32::cli
