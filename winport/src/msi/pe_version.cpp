// PE version-resource reader. Offsets come from the file itself, so every one is checked in
// 64 bits against the source's size before use; the resource tree is walked a fixed three
// levels deep, so a directory that points back at itself cannot make it loop.
#include "msi/pe_version.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace winport::detail::pe {
namespace {

constexpr std::uint16_t kPe32 = 0x10B, kPe32Plus = 0x20B;
constexpr std::uint32_t kResourceDirectory = 2;
constexpr std::uint32_t kRtVersion = 16;
constexpr std::uint32_t kVersionInfoId = 1;  // Windows looks the block up by this name only
constexpr std::uint32_t kFixedSignature = 0xFEEF04BD;
constexpr std::size_t kFixedInfoSize = 52;
constexpr std::uint32_t kHighBit = 0x80000000u;
constexpr std::size_t kMaxBlock = 0x10000;  // wLength is 16 bits: nothing past this belongs to the block

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t U32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::size_t Align4(std::size_t n) { return (n + 3) & ~static_cast<std::size_t>(3); }

struct Section {
    std::uint32_t address, raw_size, raw_offset;
};

class Image {
public:
    explicit Image(ByteSource& source) : source_(source) {}

    // The resource directory's RVA from the headers; false for anything that is not a PE image.
    bool Open(std::uint32_t& resource_rva) {
        std::uint8_t dos[64];
        if (!source_.Read(0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z') return false;
        const std::uint64_t nt = U32(dos + 0x3C);
        std::uint8_t head[24];  // signature and COFF header
        if (!source_.Read(nt, head, sizeof head) || std::memcmp(head, "PE\0\0", 4) != 0) return false;
        const std::uint16_t sections = U16(head + 6), optional_size = U16(head + 20);
        std::vector<std::uint8_t> optional(optional_size);
        if (optional_size < 2 || !source_.Read(nt + 24, optional.data(), optional.size())) return false;
        const std::uint16_t magic = U16(optional.data());
        std::size_t directories;  // where NumberOfRvaAndSizes sits; the directories follow it
        if (magic == kPe32) directories = 92;
        else if (magic == kPe32Plus) directories = 108;
        else return false;
        const std::size_t entry = directories + 4 + 8 * kResourceDirectory;
        if (optional.size() < entry + 8 || U32(optional.data() + directories) <= kResourceDirectory) return false;
        resource_rva = U32(optional.data() + entry);
        if (resource_rva == 0 || U32(optional.data() + entry + 4) == 0) return false;

        std::vector<std::uint8_t> table(static_cast<std::size_t>(sections) * 40);
        if (!source_.Read(nt + 24 + optional_size, table.data(), table.size())) return false;
        for (std::size_t i = 0; i < sections; ++i) {
            const std::uint8_t* s = table.data() + i * 40;
            sections_.push_back({U32(s + 12), U32(s + 16), U32(s + 20)});
        }
        return true;
    }

    // Copies `count` bytes at `rva`; they must lie in the file data of one section.
    bool ReadRva(std::uint64_t rva, void* out, std::size_t count) {
        for (const Section& s : sections_) {
            if (rva < s.address || rva - s.address >= s.raw_size) continue;
            const std::uint64_t within = rva - s.address;
            if (count > s.raw_size - within) return false;
            return source_.Read(s.raw_offset + within, out, count);
        }
        return false;
    }

    // The data of the entry in the directory at `directory` (relative to `root`) that is `id`,
    // or the first one when `id` is negative. Subdirectory offsets keep their high bit.
    bool Find(std::uint32_t root, std::uint32_t directory, long id, std::uint32_t& data) {
        std::uint8_t head[16];
        if (!ReadRva(std::uint64_t{root} + directory, head, sizeof head)) return false;
        const std::size_t count = std::size_t{U16(head + 12)} + U16(head + 14);
        std::vector<std::uint8_t> entries(count * 8);
        if (count == 0 || !ReadRva(std::uint64_t{root} + directory + 16, entries.data(), entries.size())) return false;
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint32_t name = U32(entries.data() + i * 8);
            if (id < 0 || (!(name & kHighBit) && name == static_cast<std::uint32_t>(id))) {
                data = U32(entries.data() + i * 8 + 4);
                return true;
            }
        }
        return false;
    }

private:
    ByteSource& source_;
    std::vector<Section> sections_;
};

// A block of the version tree (VS_VERSIONINFO, StringFileInfo, VarFileInfo, Var): its key and
// where its value and children lie within the bytes given. Blocks, values and children start
// on 4-byte boundaries counted from the start of the resource.
struct Block {
    std::size_t start = 0, end = 0, value = 0, value_size = 0, children = 0;
    std::u16string key;
};

bool ReadBlock(const std::vector<std::uint8_t>& bytes, std::size_t start, std::size_t limit, Block& block) {
    if (limit > bytes.size() || start > limit || limit - start < 6) return false;
    const std::uint8_t* p = bytes.data() + start;
    const std::size_t length = U16(p);
    if (length < 6) return false;
    block.start = start;
    block.end = std::min(limit, start + length);
    std::size_t at = start + 6;
    block.key.clear();
    for (;; at += 2) {
        if (at + 2 > block.end) return false;
        const char16_t c = U16(bytes.data() + at);
        if (c == 0) break;
        block.key += c;
    }
    block.value = Align4(at + 2);
    // A text value's length counts characters, a binary one's bytes.
    block.value_size = U16(p + 2) * std::size_t{U16(p + 4) == 1 ? 2u : 1u};
    block.children = std::min(block.end, Align4(block.value + block.value_size));
    return true;
}

bool SameKey(const std::u16string& key, const char* ascii) {
    std::size_t i = 0;
    for (; i < key.size() && ascii[i] != 0; ++i) {
        char16_t a = key[i], b = static_cast<unsigned char>(ascii[i]);
        if (a >= 'a' && a <= 'z') a = static_cast<char16_t>(a - 32);
        if (b >= 'a' && b <= 'z') b = static_cast<char16_t>(b - 32);
        if (a != b) return false;
    }
    return i == key.size() && ascii[i] == 0;
}

// The child of `parent` named `key` (the names compare case-blind, as VerQueryValue's do).
bool FindChild(const std::vector<std::uint8_t>& bytes, const Block& parent, const char* key, Block& child) {
    std::size_t at = parent.children;
    while (at < parent.end && ReadBlock(bytes, at, parent.end, child)) {
        if (SameKey(child.key, key)) return true;
        at = Align4(child.start + U16(bytes.data() + child.start));
    }
    return false;
}

}  // namespace

bool MemorySource::Read(std::uint64_t offset, void* out, std::size_t count) {
    if (offset > size_ || count > size_ - offset) return false;
    if (count != 0) std::memcpy(out, data_ + offset, count);
    return true;
}

bool ReadFileVersion(ByteSource& source, const std::uint16_t* languages, std::size_t count, FileVersion& version) {
    Image image(source);
    std::uint32_t root = 0, type = 0, name = 0, language = 0;
    if (!image.Open(root) || !image.Find(root, 0, kRtVersion, type) || !(type & kHighBit) ||
        !image.Find(root, type & ~kHighBit, kVersionInfoId, name) || !(name & kHighBit))
        return false;
    bool found = false;
    for (std::size_t i = 0; i < count && !found; ++i) found = image.Find(root, name & ~kHighBit, languages[i], language);
    if (!found && !image.Find(root, name & ~kHighBit, -1, language)) return false;
    if (language & kHighBit) return false;
    std::uint8_t entry[16];  // IMAGE_RESOURCE_DATA_ENTRY: the data's RVA and size
    if (!image.ReadRva(std::uint64_t{root} + language, entry, sizeof entry)) return false;
    std::vector<std::uint8_t> bytes(std::min<std::size_t>(U32(entry + 4), kMaxBlock));
    if (!image.ReadRva(U32(entry), bytes.data(), bytes.size())) return false;

    Block info;
    if (!ReadBlock(bytes, 0, bytes.size(), info) || !SameKey(info.key, "VS_VERSION_INFO") ||
        info.value_size < kFixedInfoSize || info.value + kFixedInfoSize > info.end)
        return false;
    const std::uint8_t* fixed = bytes.data() + info.value;
    if (U32(fixed) != kFixedSignature) return false;
    version.ms = U32(fixed + 8);
    version.ls = U32(fixed + 12);

    Block var_info, translation;
    version.has_language = FindChild(bytes, info, "VarFileInfo", var_info) &&
                           FindChild(bytes, var_info, "Translation", translation) &&
                           translation.value_size >= 2 && translation.value + 2 <= translation.end;
    if (version.has_language) version.language = U16(bytes.data() + translation.value);
    return true;
}

}  // namespace winport::detail::pe
