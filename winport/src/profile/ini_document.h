// An INI file as the profile functions see it: its lines, the encoding to write them back in,
// and the lookups by the Windows profile rules (names compared without regard to case, blanks
// around names and values dropped, the first of duplicate sections and keys taken).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace winport::detail::profile {

enum class Encoding { Ansi, Utf8Bom, Utf16 };

struct Line {
    enum class Kind { Blank, Section, Entry };
    Kind kind = Kind::Blank;  // Blank: empty, or neither a header nor a line with '='
    std::wstring text;   // the line as read, for writing it back unchanged
    std::wstring name;   // the section's or the key's name, blanks dropped
    std::wstring folded; // the name as lookups compare it
    std::wstring value;  // an entry's value, blanks dropped
};

class IniDocument {
public:
    // Decodes a file's bytes: UTF-16 after its byte order mark, UTF-8 after its mark, else the
    // ANSI code page (UTF-8 here).
    static IniDocument Parse(const std::string& bytes);
    std::string Serialize() const;

    // The names of the sections, and of a section's keys, in file order, duplicates included.
    std::vector<std::wstring> SectionNames() const;
    std::vector<std::wstring> KeyNames(const std::wstring& section) const;
    // The value of the first such key in the first such section; null when there is none.
    std::optional<std::wstring> Value(const std::wstring& section, const std::wstring& key) const;

    void Set(const std::wstring& section, const std::wstring& key, const std::wstring& value);
    void DeleteKey(const std::wstring& section, const std::wstring& key);
    void DeleteSection(const std::wstring& section);

private:
    // The lines of a section: its header (where there is one), its first line and its end.
    struct Range {
        std::size_t header, first, end;
    };
    // The first section of that name; the nameless one is what comes before the first header.
    std::optional<Range> FindSection(const std::wstring& section) const;
    std::size_t FindKey(const Range& range, const std::wstring& key) const;

    std::vector<Line> lines_;
    Encoding encoding_ = Encoding::Ansi;
};

Line ParseLine(const std::wstring& text);

}  // namespace winport::detail::profile
