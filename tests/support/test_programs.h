// Where the test programs find the helper programs built beside them: the demo
// redistributable (bin/) and the loader's test library (bin/plugins/).
#pragma once

#include <string>

namespace cw32test {

// The folder of the running test program, without a trailing separator.
std::wstring ProgramDirectory();
// The platform's path separator as text.
const wchar_t* PathSeparator();
// Full path of the loader's test library ("plugins/cw32-test-plugin.dll" or ".so").
std::wstring TestPluginPath();
// A command line that runs the demo redistributable (found beside the test program by the
// platform's program search) with `arguments`.
std::wstring DemoRedist(const std::wstring& arguments);
// A command line that runs the program `name` built beside the test program by its full path
// (as a control manager needs it), ".exe" added on Windows, with `arguments`.
std::wstring BuiltProgram(const wchar_t* name, const std::wstring& arguments);
// The command line of a service that runs the demo service program with `arguments`.
std::wstring DemoService(const std::wstring& arguments);

}  // namespace cw32test
