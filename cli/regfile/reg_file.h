// Registry files in the Windows registry editor's text format ("Windows Registry Editor
// Version 5.00"): the model of a file, its text (writer and parser), its bytes (UTF-16LE with a
// byte-order mark on export; UTF-16 or UTF-8 on import), and the registry trees it describes.
#pragma once

#include <common-win32/platform.h>

#include <string>
#include <vector>

namespace cw32::regfile {

// One value as the registry holds it: string types (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) in
// this platform's wchar_t units, everything else as raw bytes.
struct Value {
    std::wstring name;  // empty: the default value ("@")
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    bool remove = false;  // "name"=- : delete the value on import
};

// One "[KEY]" section, or "[-KEY]" (delete the key and everything below it).
struct Section {
    std::wstring path;  // full path with its hive name, as written in the file
    bool remove = false;
    std::vector<Value> values;
};

// The file's text, CR LF line ends, header first; long hex data wrapped as the editor does.
std::wstring WriteText(const std::vector<Section>& sections);

// Parses a file's text. False with `error` ("line 7: ...") on the first thing not understood.
bool ParseText(const std::wstring& text, std::vector<Section>& sections, std::wstring& error);

// File bytes <-> text. Export writes UTF-16LE with a BOM; import reads UTF-16LE (with BOM) or
// UTF-8 (with or without BOM).
std::string EncodeFile(const std::wstring& text);
bool DecodeFile(const std::string& bytes, std::wstring& text, std::wstring& error);

// Reads the key at `path` and everything below it, parents before children. Returns 0 or the
// registry's error for the top key.
LONG ReadTree(const std::wstring& path, std::vector<Section>& sections);

// Applies the sections in order: creates keys, sets and deletes values, deletes trees.
// Returns 0 or the first registry error, with the path it happened at in `where`.
LONG ApplySections(const std::vector<Section>& sections, std::wstring& where);

// The predefined hive of a full path and the subkey after it; false for an unknown hive.
bool SplitKeyPath(const std::wstring& path, HKEY& hive, std::wstring& subkey);

}  // namespace cw32::regfile
