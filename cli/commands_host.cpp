// Subcommands of the host bridge and the text routines: log lines, escaping, UTF-8, system
// messages, locale, and the stamp's date and time.
#include "command_line.h"
#include "commands.h"
#include "text_io.h"

#include <common-win32/common-win32.h>

#include <cstdio>

namespace cw32::cli {
namespace {

int RunLog(CommandContext& context, const std::vector<std::wstring>& args) {
    const ParsedArguments parsed = ParseArguments(L"log", args, {});
    ExpectPositionals(L"log", parsed.positional, {L"LEVEL", L"TEXT"});
    const std::wstring& level = parsed.positional[0];
    const CString text = ToCString(parsed.positional[1]);
    const boost::shared_ptr<ILogger> logger = context.host;
    if (level == L"info") {
        LogInfo(logger, text);
    } else if (level == L"warning") {
        LogWarning(logger, text);
    } else if (level == L"error") {
        LogError(logger, text);
    } else if (level == L"message") {
        LogMessage(logger, text);
    } else {
        throw UsageError(L"log", L"unknown level " + Quoted(level) + L" (info, warning, error or message)");
    }
    return kExitSuccess;
}

int RunWriteLog(CommandContext& context, const std::vector<std::wstring>& args) {
    const ParsedArguments parsed = ParseArguments(L"writelog", args, {});
    ExpectPositionals(L"writelog", parsed.positional, {L"MESSAGE"}, {L"PASSWORD"});
    const wchar_t* password = parsed.positional.size() > 1 ? parsed.positional[1].c_str() : nullptr;
    WriteLog(context.host, parsed.positional[0].c_str(), password);
    return kExitSuccess;
}

// escape and unescape share their options: exactly one of --nonalpha and --separator S.
int RunEscaping(CommandContext& context, const std::vector<std::wstring>& args, bool escape) {
    const wchar_t* command = escape ? L"escape" : L"unescape";
    const ParsedArguments parsed = ParseArguments(command, args, {{L"--nonalpha", false}, {L"--separator", true}});
    ExpectPositionals(command, parsed.positional, {L"TEXT"});
    const std::wstring* separator = parsed.Value(L"--separator");
    if (parsed.Has(L"--nonalpha") == (separator != nullptr)) {
        throw UsageError(command, L"give exactly one of --nonalpha and --separator S");
    }
    if (separator != nullptr && separator->empty()) throw UsageError(command, L"the separator is empty");
    const CString text = ToCString(parsed.positional[0]);
    CString result;
    if (separator == nullptr) {
        result = escape ? EscapeNonAlpha(text) : UnEscapeNonAlpha(text);
    } else {
        result = escape ? EscapeSeparator(text, separator->c_str()) : UnescapeSeparator(text, separator->c_str());
    }
    context.host->PrintLine(FromCString(result));
    return kExitSuccess;
}

int RunEscape(CommandContext& context, const std::vector<std::wstring>& args) {
    return RunEscaping(context, args, true);
}

int RunUnescape(CommandContext& context, const std::vector<std::wstring>& args) {
    return RunEscaping(context, args, false);
}

int RunUtf8(CommandContext& context, const std::vector<std::wstring>& args) {
    const ParsedArguments parsed = ParseArguments(L"utf8", args, {});
    ExpectPositionals(L"utf8", parsed.positional, {L"encode|decode", L"TEXT"});
    const std::wstring& action = parsed.positional[0];
    const std::wstring& text = parsed.positional[1];
    if (action == L"encode") {
        const CStringA bytes = WideToAnsi(text.c_str(), CW32_ENCODING_UTF8);
        context.host->PrintLine(
            FormatHexBytes(std::string(bytes.GetString(), static_cast<std::size_t>(bytes.GetLength()))));
        return kExitSuccess;
    }
    if (action != L"decode") throw UsageError(L"utf8", L"unknown action " + Quoted(action) + L" (encode or decode)");
    const std::string bytes = ParseHexBytes(L"utf8", text);
    // The library decodes NUL-terminated text; a zero byte would silently cut it short.
    if (bytes.find('\0') != std::string::npos) throw UsageError(L"utf8", L"a 00 byte cannot be decoded");
    context.host->PrintLine(FromCString(AnsiToWide(bytes.c_str(), CW32_ENCODING_UTF8)));
    return kExitSuccess;
}

int RunMessage(CommandContext& context, const std::vector<std::wstring>& args) {
    const ParsedArguments parsed = ParseArguments(L"message", args, {{L"--lang", true}});
    ExpectPositionals(L"message", parsed.positional, {L"ID"});
    const auto id = static_cast<DWORD>(ParseUnsigned(L"message", parsed.positional[0], 0xFFFFFFFFu));
    const std::wstring* lang = parsed.Value(L"--lang");
    const auto language = static_cast<WORD>(lang != nullptr ? ParseUnsigned(L"message", *lang, 0xFFFF) : 0);
    CString text;
    if (!GetSystemMessage(id, text, language))
        return ReportWindowsError(*context.host, L"message", {std::to_wstring(id), std::to_wstring(language)},
                                  GetLastError());
    // System texts end in CR LF; the output ends its lines the same way on every platform.
    std::wstring message = FromCString(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r')) message.pop_back();
    context.host->PrintLine(message);
    return kExitSuccess;
}

int RunLocale(CommandContext& context, const std::vector<std::wstring>& args) {
    const ParsedArguments parsed = ParseArguments(L"locale", args, {});
    ExpectPositionals(L"locale", parsed.positional, {});
    CString language_text;
    const bool known = ::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_ILANGUAGE, language_text) != 0;
    unsigned short supported = 0;
    GetSupportedLocale(supported);  // false on every path by design; the language is the answer
    wchar_t hex[8];
    std::swprintf(hex, sizeof hex / sizeof hex[0], L"%04x", static_cast<unsigned>(supported));
    context.host->PrintLine(L"user language: " + (known ? FromCString(language_text) : L"(unknown)"));
    context.host->PrintLine(L"interface language: " + std::wstring(hex));
    if (!known) {
        context.host->Diagnose(L"locale: the system gave no language for the user's locale");
        return kExitFailure;
    }
    return kExitSuccess;
}

int RunDate(CommandContext& context, const std::vector<std::wstring>& args) {
    ExpectPositionals(L"date", ParseArguments(L"date", args, {}).positional, {});
    context.host->PrintLine(FromCString(GetDateString()));
    return kExitSuccess;
}

int RunTime(CommandContext& context, const std::vector<std::wstring>& args) {
    ExpectPositionals(L"time", ParseArguments(L"time", args, {}).positional, {});
    context.host->PrintLine(FromCString(GetTimeString()));
    return kExitSuccess;
}

const CommandRegistrar registered{
    {L"log", L"log info|warning|error|message TEXT", L"write TEXT to the log at a level, or stamped",
     L"info, warning and error write TEXT as it stands at levels 2, 3 and 4 ([I], [W], [E]);\n"
     L"message writes it at level 2 behind the local date and time, as the library's own\n"
     L"lines are written.\n",
     RunLog},
    {L"writelog", L"writelog MESSAGE [PASSWORD]", L"write a stamped log line with a password masked",
     L"Every occurrence of PASSWORD in MESSAGE is written as \"****\". Without a PASSWORD (or\n"
     L"with an empty one), every \"PWD=;\" is written as \"PWD=****;\".\n",
     RunWriteLog},
    {L"escape", L"escape --nonalpha TEXT\nescape --separator S TEXT", L"protect characters with backslashes",
     L"--nonalpha      put a backslash before every character that is not an ASCII letter\n"
     L"                or digit\n"
     L"--separator S   double every backslash, then put one before every S\n"
     L"Exactly one of the two is given. The result is printed on standard output.\n",
     RunEscape},
    {L"unescape", L"unescape --nonalpha TEXT\nunescape --separator S TEXT", L"remove the backslashes of escape",
     L"--nonalpha      drop each backslash and keep the character after it\n"
     L"--separator S   halve runs of backslashes, then drop the one before each S\n"
     L"Exactly one of the two is given. The result is printed on standard output.\n",
     RunUnescape},
    {L"utf8", L"utf8 encode TEXT\nutf8 decode HEX", L"convert between text and UTF-8 bytes",
     L"encode prints the UTF-8 bytes of TEXT as lower-case hex pairs separated by blanks\n"
     L"(\"é\" gives \"c3 a9\"). decode reads such pairs (blanks between bytes are optional,\n"
     L"\"c3a9\" will do) and prints the text; invalid sequences come out as U+FFFD.\n",
     RunUtf8},
    {L"message", L"message ID [--lang LANGID]", L"print the system's text for an error code",
     L"ID and LANGID are decimal or hexadecimal after \"0x\". Without --lang (or with 0) the\n"
     L"system chooses the language. Exit status 1 when the system has no such message.\n",
     RunMessage},
    {L"locale", L"locale", L"print the user's language and the interface language chosen for it",
     L"The first line is the user locale's LOCALE_ILANGUAGE as the system gives it, the\n"
     L"second the interface language the library chooses for it, in hex.\n",
     RunLocale},
    {L"date", L"date", L"print the local date as log stamps write it (YYYY/MM/DD)", L"", RunDate},
    {L"time", L"time", L"print the local time as log stamps write it (12-hour hh:mm:ss)", L"", RunTime},
};

}  // namespace
}  // namespace cw32::cli
