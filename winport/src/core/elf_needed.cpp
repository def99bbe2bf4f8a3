// Reads DT_NEEDED from an ELF file's dynamic section, found through the section headers.
#include "core/elf_needed.h"

#include <elf.h>
#include <link.h>

#include <cstring>
#include <fstream>
#include <iterator>

namespace winport::detail {
namespace {

using Ehdr = ElfW(Ehdr);
using Shdr = ElfW(Shdr);
using Dyn = ElfW(Dyn);

template <class T>
bool ReadAt(const std::string& data, std::size_t offset, T* out) {
    if (offset > data.size() || data.size() - offset < sizeof(T)) return false;
    std::memcpy(out, data.data() + offset, sizeof(T));
    return true;
}

}  // namespace

std::vector<std::string> ElfNeededLibraries(const std::string& path) {
    std::vector<std::string> needed;
    std::ifstream in(path, std::ios::binary);
    if (!in) return needed;
    const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Ehdr header{};
    if (!ReadAt(data, 0, &header) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
        header.e_ident[EI_CLASS] != (sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32) || header.e_shentsize != sizeof(Shdr))
        return needed;
    for (unsigned i = 0; i < header.e_shnum; ++i) {
        Shdr section{};
        if (!ReadAt(data, header.e_shoff + i * sizeof(Shdr), &section) || section.sh_type != SHT_DYNAMIC) continue;
        Shdr strings{};
        if (!ReadAt(data, header.e_shoff + section.sh_link * sizeof(Shdr), &strings)) return needed;
        for (std::size_t at = section.sh_offset; at + sizeof(Dyn) <= section.sh_offset + section.sh_size; at += sizeof(Dyn)) {
            Dyn entry{};
            if (!ReadAt(data, at, &entry) || entry.d_tag == DT_NULL) break;
            if (entry.d_tag != DT_NEEDED) continue;
            std::size_t name_at = strings.sh_offset + entry.d_un.d_val;
            if (name_at >= data.size()) continue;
            needed.emplace_back(data.c_str() + name_at);  // NUL-terminated inside the string table
        }
        break;
    }
    return needed;
}

}  // namespace winport::detail
