// Helpers that read a subcommand's arguments: options, positional arguments, numbers and hex
// bytes. Every mistake becomes a UsageError, which the dispatcher turns into one line on
// standard error and exit code 2.
#pragma once

#include <common-win32/common-win32.h>

#include <cstdint>
#include <exception>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

namespace cw32::cli {

class UsageError : public std::exception {
public:
    // `where` names the subcommand ("message"), or is empty for the global options.
    UsageError(const std::wstring& where, const std::wstring& problem);
    const std::wstring& message() const { return message_; }  // "message: 'abc' is not a number"
    const char* what() const noexcept override { return "bad usage"; }

private:
    std::wstring message_;
};

// Quotes a value for a message: 'value'.
std::wstring Quoted(const std::wstring& value);

struct OptionSpec {
    const wchar_t* name;  // with its dashes: L"--separator"
    bool takes_value;
};

struct ParsedArguments {
    std::vector<std::wstring> positional;
    std::map<std::wstring, std::wstring> options;  // name -> value (empty for a switch)

    bool Has(const std::wstring& name) const { return options.count(name) != 0; }
    const std::wstring* Value(const std::wstring& name) const;
};

struct OptionValue {
    std::wstring name;
    std::wstring value;  // empty for a switch
};

// Reads the option word args[i], "--name" or "--name=VALUE"; an option that takes a value and
// has none inline takes args[i + 1] and moves `i` on. An unknown option, a missing value and
// a value given to a switch are usage errors.
OptionValue ReadOption(const std::wstring& command, const std::vector<std::wstring>& args, std::size_t& i,
                       std::initializer_list<OptionSpec> options);

// A word starting with "--" is an option ("--name VALUE" or "--name=VALUE"); "--" ends the
// options, so a text such as "--x" can still be passed. Every other word, "-" and "-5"
// included, is positional. Besides ReadOption's errors, an option given twice is one.
ParsedArguments ParseArguments(const std::wstring& command, const std::vector<std::wstring>& args,
                               std::initializer_list<OptionSpec> options);

// Splits "--name=value"; false when the word has no '='.
bool SplitOptionValue(const std::wstring& word, std::wstring& name, std::wstring& value);

// Checks the count of positional arguments against their names for the messages:
// "writelog: missing MESSAGE", "log: unexpected argument 'x'".
void ExpectPositionals(const std::wstring& command, const std::vector<std::wstring>& positional,
                       std::initializer_list<const wchar_t*> required,
                       std::initializer_list<const wchar_t*> optional = {});

// A decimal number or a hexadecimal one after "0x", no sign, no blanks, at most `max`.
std::uint64_t ParseUnsigned(const std::wstring& command, const std::wstring& text, std::uint64_t max);

// Pairs of hex digits ("c3a9", "C3 A9"); blanks may stand between bytes, never inside one.
std::string ParseHexBytes(const std::wstring& command, const std::wstring& text);

// Lower-case hex pairs separated by single blanks: "c3 a9".
std::wstring FormatHexBytes(const std::string& bytes);

}  // namespace cw32::cli
