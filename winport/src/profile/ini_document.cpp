// Reading and editing INI text by the Windows profile rules.
#include "profile/ini_document.h"

#include "core/text.h"

#include <algorithm>

namespace winport::detail::profile {
namespace {

constexpr std::size_t npos = std::string::npos;

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\v' || c == L'\f'; }

std::wstring Trim(const std::wstring& text) {
    std::size_t first = 0, last = text.size();
    while (first < last && IsBlank(text[first])) ++first;
    while (last > first && IsBlank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

// Names are compared without regard to case, and without the blanks around the one asked for.
std::wstring Wanted(const std::wstring& asked) { return FoldCase(Trim(asked)); }

std::wstring DecodeUtf16(const std::string& bytes, std::size_t from) {
    std::wstring text;
    for (std::size_t i = from; i + 1 < bytes.size(); i += 2) {
        const auto unit = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i]) |
                                                     static_cast<unsigned char>(bytes[i + 1]) << 8);
        if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
            const auto low = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 2]) |
                                                        static_cast<unsigned char>(bytes[i + 3]) << 8);
            if (low >= 0xDC00 && low < 0xE000) {
                text += static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        text += static_cast<wchar_t>(unit);
    }
    return text;
}

void EncodeUtf16(const std::wstring& text, std::string& out) {
    auto put = [&out](std::uint32_t unit) {
        out += static_cast<char>(unit & 0xFF);
        out += static_cast<char>(unit >> 8);
    };
    for (wchar_t c : text) {
        const auto cp = static_cast<std::uint32_t>(c);
        if (cp >= 0x10000) {
            put(0xD800 + ((cp - 0x10000) >> 10));
            put(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            put(cp);
        }
    }
}

}  // namespace

Line ParseLine(const std::wstring& text) {
    Line line;
    line.text = text;
    const std::wstring trimmed = Trim(text);
    if (trimmed.empty()) return line;
    // A header's name runs to its last ']'; a line without one is no header.
    if (const std::size_t close = trimmed.rfind(L']'); trimmed[0] == L'[' && close != npos) {
        line.kind = Line::Kind::Section;
        line.name = Trim(trimmed.substr(1, close - 1));
        line.folded = FoldCase(line.name);
        return line;
    }
    // Only a line with '=' is a key; any other line is kept but never found.
    const std::size_t equals = trimmed.find(L'=');
    if (equals == npos) return line;
    line.kind = Line::Kind::Entry;
    line.name = Trim(trimmed.substr(0, equals));
    line.folded = FoldCase(line.name);
    line.value = Trim(trimmed.substr(equals + 1));
    return line;
}

IniDocument IniDocument::Parse(const std::string& bytes) {
    IniDocument document;
    std::wstring text;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) {
        document.encoding_ = Encoding::Utf16;
        text = DecodeUtf16(bytes, 2);
    } else if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        document.encoding_ = Encoding::Utf8Bom;
        text = FromUtf8(std::string_view(bytes).substr(3));
    } else {
        text = FromUtf8(bytes);
    }
    // A line ends at CR LF, at a line feed or at a carriage return alone.
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of(L"\r\n", start);
        if (end == npos) end = text.size();
        document.lines_.push_back(ParseLine(text.substr(start, end - start)));
        start = end + (text.compare(end, 2, L"\r\n") == 0 ? 2 : 1);
    }
    return document;
}

std::string IniDocument::Serialize() const {
    std::wstring text;
    for (const Line& line : lines_) text += line.text + L"\r\n";
    std::string out;
    switch (encoding_) {
        case Encoding::Utf16:
            out = "\xFF\xFE";
            EncodeUtf16(text, out);
            return out;
        case Encoding::Utf8Bom: return "\xEF\xBB\xBF" + ToUtf8(text);
        case Encoding::Ansi: return ToUtf8(text);
    }
    return out;
}

std::optional<IniDocument::Range> IniDocument::FindSection(const std::wstring& section) const {
    std::size_t i = 0;
    // Keys before the first header belong to a section without a name.
    if (Trim(section).empty()) {
        while (i < lines_.size() && lines_[i].kind != Line::Kind::Section) ++i;
        if (i > 0) return Range{0, 0, i};
    }
    const std::wstring wanted = Wanted(section);
    for (; i < lines_.size(); ++i) {
        if (lines_[i].kind != Line::Kind::Section || lines_[i].folded != wanted) continue;
        std::size_t end = i + 1;
        while (end < lines_.size() && lines_[end].kind != Line::Kind::Section) ++end;
        return Range{i, i + 1, end};
    }
    return std::nullopt;
}

std::size_t IniDocument::FindKey(const Range& range, const std::wstring& key) const {
    const std::wstring wanted = Wanted(key);
    for (std::size_t i = range.first; i < range.end; ++i)
        if (lines_[i].kind == Line::Kind::Entry && lines_[i].folded == wanted) return i;
    return npos;
}

std::vector<std::wstring> IniDocument::SectionNames() const {
    std::vector<std::wstring> names;
    for (const Line& line : lines_)
        if (line.kind == Line::Kind::Section) names.push_back(line.name);
    return names;
}

std::vector<std::wstring> IniDocument::KeyNames(const std::wstring& section) const {
    std::vector<std::wstring> names;
    const std::optional<Range> range = FindSection(section);
    if (!range) return names;
    for (std::size_t i = range->first; i < range->end; ++i) {
        // A comment line is no key, though a lookup by its whole text still finds it.
        const Line& line = lines_[i];
        if (line.kind == Line::Kind::Entry && line.name.compare(0, 1, L";") != 0) names.push_back(line.name);
    }
    return names;
}

std::optional<std::wstring> IniDocument::Value(const std::wstring& section, const std::wstring& key) const {
    const std::optional<Range> range = FindSection(section);
    if (!range) return std::nullopt;
    const std::size_t found = FindKey(*range, key);
    if (found == npos) return std::nullopt;
    return lines_[found].value;
}

void IniDocument::Set(const std::wstring& section, const std::wstring& key, const std::wstring& value) {
    // Leading blanks of the key and the value are not written; a key already there keeps the
    // spelling of its name.
    const std::wstring name = key.substr(std::min(key.find_first_not_of(L" \t"), key.size()));
    const std::wstring text = value.substr(std::min(value.find_first_not_of(L" \t"), value.size()));
    const std::optional<Range> range = FindSection(section);
    if (!range) {
        lines_.push_back(ParseLine(L"[" + section + L"]"));
        lines_.push_back(ParseLine(name + L"=" + text));
        return;
    }
    if (const std::size_t found = FindKey(*range, name); found != npos) {
        lines_[found] = ParseLine(lines_[found].name + L"=" + text);
        return;
    }
    // After the section's last line that is not blank, so that the blank line before the next
    // section stays where it was.
    std::size_t at = range->end;
    while (at > range->first && lines_[at - 1].kind == Line::Kind::Blank) --at;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), ParseLine(name + L"=" + text));
}

void IniDocument::DeleteKey(const std::wstring& section, const std::wstring& key) {
    const std::optional<Range> range = FindSection(section);
    if (!range) return;
    if (const std::size_t found = FindKey(*range, key); found != npos)
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(found));
}

void IniDocument::DeleteSection(const std::wstring& section) {
    const std::optional<Range> range = FindSection(section);
    if (!range) return;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(range->header),
                 lines_.begin() + static_cast<std::ptrdiff_t>(range->end));
}

}  // namespace winport::detail::profile
