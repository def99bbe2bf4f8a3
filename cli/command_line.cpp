#include "command_line.h"

namespace cw32::cli {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

int HexValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

}  // namespace

UsageError::UsageError(const std::wstring& where, const std::wstring& problem)
    : message_(where.empty() ? problem : where + L": " + problem) {}

std::wstring Quoted(const std::wstring& value) { return L"'" + value + L"'"; }

const std::wstring* ParsedArguments::Value(const std::wstring& name) const {
    const auto it = options.find(name);
    return it == options.end() ? nullptr : &it->second;
}

bool SplitOptionValue(const std::wstring& word, std::wstring& name, std::wstring& value) {
    const std::size_t equals = word.find(L'=');
    if (equals == std::wstring::npos) {
        name = word;
        value.clear();
        return false;
    }
    name = word.substr(0, equals);
    value = word.substr(equals + 1);
    return true;
}

OptionValue ReadOption(const std::wstring& command, const std::vector<std::wstring>& args, std::size_t& i,
                       std::initializer_list<OptionSpec> options) {
    OptionValue option;
    const bool inline_value = SplitOptionValue(args[i], option.name, option.value);
    const OptionSpec* known = nullptr;
    for (const OptionSpec& candidate : options) {
        if (option.name == candidate.name) known = &candidate;
    }
    if (known == nullptr) {
        const std::wstring help = command.empty() ? L"cw32 --help" : L"cw32 " + command + L" --help";
        throw UsageError(command, L"unknown option " + Quoted(option.name) + L" (see '" + help + L"')");
    }
    if (!known->takes_value && inline_value) {
        throw UsageError(command, L"option " + Quoted(option.name) + L" takes no value");
    }
    if (known->takes_value && !inline_value) {
        if (i + 1 == args.size()) throw UsageError(command, L"option " + Quoted(option.name) + L" needs a value");
        option.value = args[++i];
    }
    return option;
}

ParsedArguments ParseArguments(const std::wstring& command, const std::vector<std::wstring>& args,
                               std::initializer_list<OptionSpec> options) {
    ParsedArguments parsed;
    bool options_ended = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::wstring& word = args[i];
        if (options_ended || word.size() < 2 || word.compare(0, 2, L"--") != 0) {
            parsed.positional.push_back(word);
        } else if (word == L"--") {
            options_ended = true;
        } else {
            OptionValue option = ReadOption(command, args, i, options);
            if (parsed.Has(option.name)) throw UsageError(command, L"option " + Quoted(option.name) + L" given twice");
            parsed.options[option.name] = std::move(option.value);
        }
    }
    return parsed;
}

void ExpectPositionals(const std::wstring& command, const std::vector<std::wstring>& positional,
                       std::initializer_list<const wchar_t*> required, std::initializer_list<const wchar_t*> optional) {
    if (positional.size() < required.size()) {
        throw UsageError(command, std::wstring(L"missing ") + required.begin()[positional.size()]);
    }
    const std::size_t most = required.size() + optional.size();
    if (positional.size() > most) throw UsageError(command, L"unexpected argument " + Quoted(positional[most]));
}

std::uint64_t ParseUnsigned(const std::wstring& command, const std::wstring& text, std::uint64_t max) {
    const bool hex = text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X');
    const std::size_t start = hex ? 2 : 0;
    const unsigned base = hex ? 16 : 10;
    if (text.size() == start) throw UsageError(command, Quoted(text) + L" is not a number");
    std::uint64_t value = 0;
    bool too_big = false;
    for (std::size_t i = start; i < text.size(); ++i) {
        const int digit = HexValue(text[i]);
        if (digit < 0 || static_cast<unsigned>(digit) >= base) {
            throw UsageError(command, Quoted(text) + L" is not a number");
        }
        // Keep reading after an overflow: "99999999999x" is a bad number before a big one.
        if (value > (max - static_cast<unsigned>(digit)) / base) too_big = true;
        if (!too_big) value = value * base + static_cast<unsigned>(digit);
    }
    if (too_big) {
        throw UsageError(command, Quoted(text) + L" is out of range (0 to " + std::to_wstring(max) + L")");
    }
    return value;
}

std::string ParseHexBytes(const std::wstring& command, const std::wstring& text) {
    std::string bytes;
    std::size_t i = 0;
    while (i < text.size()) {
        if (IsBlank(text[i])) {
            ++i;
            continue;
        }
        const int high = HexValue(text[i]);
        const int low = i + 1 < text.size() ? HexValue(text[i + 1]) : -1;
        if (high < 0 || low < 0) throw UsageError(command, Quoted(text) + L" is not a list of hex bytes");
        bytes.push_back(static_cast<char>(high * 16 + low));
        i += 2;
    }
    return bytes;
}

std::wstring FormatHexBytes(const std::string& bytes) {
    static const wchar_t digits[] = L"0123456789abcdef";
    std::wstring out;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (!out.empty()) out += L' ';
        out += digits[byte >> 4];
        out += digits[byte & 0xF];
    }
    return out;
}

}  // namespace cw32::cli
