// ReplaceFileVariables: rewrites a text file through "<file>.tmp", replacing variables line by
// line and logging each replacement, with hidden names and values masked.
#include "common-win32/files.h"

#include "common-win32/cfile.h"
#include "common-win32/log.h"
#include "common-win32/text_file.h"
#include "files/block_lines.h"
#include "files/variables_list.h"
#include "unicode.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

using cw32::files::ParsedVariables;
using cw32::files::ParseProblem;
using cw32::files::Variable;

namespace {

constexpr long kHideValue = 0x10;
constexpr long kHideName = 0x20;
const wchar_t kHidden[] = L"********";

// A pair replaced something but the flags list has no entry at its index: the rewrite stops
// like any other failure, since whether the pair is secret cannot be known.
struct MissingFlagsEntry {};

// The temporary file's writer. The lines are gathered as UTF-8 bytes and handed to the file in
// blocks: a million-line file then costs a few hundred writes to the system instead of a
// million. A line keeps its length (a NUL byte in it is text like any other), so it is added
// whole with its CR LF rather than as a C string. A failing block raises at the next block or
// at Close, still inside the rewrite, which then aborts as for any failure.
class BlockTextFile : public CTextFile {
public:
    void AddLine(const CString& line) {
        const auto count = static_cast<std::size_t>(line.GetLength());
        const std::size_t at = pending_.size();
        pending_.resize(at + cw32::detail::Utf8LengthFast(line.GetString(), count));
        cw32::detail::EncodeUtf8Fast(line.GetString(), count, cw32::detail::LoneSurrogate::Keep, &pending_[at]);
        EndLine();
    }
    // A line no variable touched, as read: each byte is the character of the same value, so
    // ASCII stays as it is and a byte from 0x80 up becomes its two-byte form.
    void AddLine(std::string_view bytes) {
        std::size_t high = 0;
        for (const char c : bytes) high += static_cast<unsigned char>(c) >> 7;
        if (high == 0) {
            pending_.append(bytes);
        } else {
            for (const char c : bytes) {
                const auto b = static_cast<unsigned char>(c);
                if (b < 0x80) {
                    pending_ += c;
                } else {
                    pending_ += static_cast<char>(0xC0 | (b >> 6));
                    pending_ += static_cast<char>(0x80 | (b & 0x3F));
                }
            }
        }
        EndLine();
    }
    bool Close() override {
        WritePending();
        return CTextFile::Close();
    }

private:
    static constexpr std::size_t kBlockBytes = 256 * 1024;

    void EndLine() {
        pending_ += "\r\n";
        if (pending_.size() >= kBlockBytes) WritePending();
    }
    void WritePending() {
        WriteUtf8(pending_.data(), pending_.size());
        pending_.clear();
    }

    std::string pending_;
};

// Which lines the variables can change. Until a pair has replaced something the line is the
// file's bytes, and a name holding a character above 0xFF cannot match them: a line in which
// no other name occurs as bytes is written as read, without making it a wide string. Most
// lines of a large file hold no variable at all, and are judged by one search per distinct
// first byte of the names.
class LineFilter {
public:
    explicit LineFilter(const std::vector<Variable>& variables) {
        for (const Variable& variable : variables) {
            // The name as Replace takes it: up to its first NUL; an empty one replaces nothing.
            const wchar_t* name = variable.name.GetString();
            std::string bytes;
            bool fits = *name != L'\0';
            for (; fits && *name != L'\0'; ++name) {
                fits = static_cast<unsigned long>(*name) <= 0xFF;
                bytes += static_cast<char>(*name);
            }
            if (!fits) continue;
            if (first_bytes_.find(bytes[0]) == std::string::npos) first_bytes_ += bytes[0];
            names_.push_back(std::move(bytes));
        }
    }

    bool MayChange(std::string_view line) const {
        const auto holds = [line](char first) { return std::memchr(line.data(), first, line.size()) != nullptr; };
        if (std::none_of(first_bytes_.begin(), first_bytes_.end(), holds)) return false;
        return std::any_of(names_.begin(), names_.end(),
                           [line](const std::string& name) { return line.find(name) != std::string_view::npos; });
    }

private:
    std::vector<std::string> names_;
    std::string first_bytes_;
};

void LogFormatted(const boost::shared_ptr<ILogger>& logger, const wchar_t* format, const CString& a,
                  const CString& b = CString()) {
    CString message;
    message.Format(format, a.GetString(), b.GetString());
    LogMessage(logger, message);
}

void LogReplacement(const boost::shared_ptr<ILogger>& logger, int count, const Variable& variable, long flags,
                    bool logHiddenValues, const CString& fileName) {
    const bool hide_value = !logHiddenValues && (flags & kHideValue) != 0;
    const bool hide_name = !logHiddenValues && (flags & kHideName) != 0;
    CString message;
    message.Format(L"ReplaceFileVariables: Replaced %i instances of '%s' with '%s' in '%s'", count,
                   hide_name ? kHidden : variable.name.GetString(), hide_value ? kHidden : variable.value.GetString(),
                   fileName.GetString());
    LogMessage(logger, message);
}

// Reads the target, writes the replaced lines to the temporary file and copies it back. A
// failure raises (CFileException* or MissingFlagsEntry); both files are closed by their
// destructors before the caller handles it. `created` tells whether this call made the
// temporary file.
void RewriteThroughTemporaryFile(const boost::shared_ptr<ILogger>& logger, const CString& fileName,
                                 const CString& tempPath, const std::vector<Variable>& variables,
                                 const std::vector<long>& flags, bool logHiddenValues, bool& created) {
    CStdioFile input(fileName.GetString(), CFile::modeRead);
    LogMessage(logger, L"Output File will be UTF-8 Encoded");
    // A temporary file that cannot be created is not an error: the lines are still read and
    // the replacements reported, but nothing is written and nothing is copied. A file of that
    // name left by an earlier run (one that cannot be opened for writing, say) is not this
    // call's output, and none of it may reach the target.
    BlockTextFile output;
    created = output.Open(tempPath.GetString(), CFile::modeCreate | CFile::modeWrite);
    const LineFilter filter(variables);
    cw32::files::BlockLineReader lines(input);
    std::string_view bytes;
    CString line;
    while (lines.Next(bytes)) {
        if (!filter.MayChange(bytes)) {
            output.AddLine(bytes);
            continue;
        }
        wchar_t* chars = line.GetBufferSetLength(static_cast<int>(bytes.size()));
        for (std::size_t k = 0; k < bytes.size(); ++k) chars[k] = static_cast<unsigned char>(bytes[k]);
        line.ReleaseBuffer(static_cast<int>(bytes.size()));
        for (std::size_t i = 0; i < variables.size(); ++i) {
            const int count = line.Replace(variables[i].name.GetString(), variables[i].value.GetString());
            if (count == 0) continue;
            if (i >= flags.size()) throw MissingFlagsEntry();
            LogReplacement(logger, count, variables[i], flags[i], logHiddenValues, fileName);
        }
        output.AddLine(line);
    }
    input.Close();
    output.Close();
    if (!created) return;
    // The copy and the delete report nothing: a target that cannot be replaced keeps its text.
    CopyFileW(tempPath.GetString(), fileName.GetString(), FALSE);
    DeleteFileW(tempPath.GetString());
}

}  // namespace

void ReplaceFileVariables(boost::shared_ptr<IActionContext> context, const CString& fileName, CString variables,
                          CString variableFlags, bool unescape, bool logHiddenValues) {
    const boost::shared_ptr<ILogger> logger = context;
    const CString tempPath = fileName + L".tmp";

    const ParsedVariables parsed = cw32::files::ParseVariables(variables, unescape);
    if (parsed.problem == ParseProblem::MissingEquals) {
        LogFormatted(logger, L"ReplaceFileVariables: Incorrect formatting of string; need '=' have '%s'", parsed.rest);
        return;
    }
    if (parsed.problem == ParseProblem::MissingEndQuote)
        LogFormatted(logger, L"ReplaceFileVariables: expected ending '\",' rest of string is: '%s'", parsed.rest);
    const std::vector<long> flags = cw32::files::ParseFlags(variableFlags);

    bool failed = false;
    bool created = false;
    try {
        RewriteThroughTemporaryFile(logger, fileName, tempPath, parsed.variables, flags, logHiddenValues, created);
    } catch (CFileException* error) {
        error->Delete();
        failed = true;
    } catch (const MissingFlagsEntry&) {
        failed = true;
    }
    if (failed) {
        LogFormatted(logger, L"ReplaceFileVariables: error reading from '%s' writing to '%s', aborting..", tempPath,
                     fileName);
        if (created) DeleteFileW(tempPath.GetString());
    }
}
