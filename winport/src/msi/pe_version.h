// The version resource of a PE file (PE32 and PE32+): RT_VERSION's VS_VERSIONINFO block, its
// VS_FIXEDFILEINFO and its first translation. Self-contained, so the fuzz target builds it alone.
#pragma once

#include <cstddef>
#include <cstdint>

namespace winport::detail::pe {

// Where the reader gets its bytes: a whole image in memory, or a file read piece by piece
// (most of a large DLL is never needed).
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Copies `count` bytes at `offset`; false when any of them lies past the end or the read fails.
    virtual bool Read(std::uint64_t offset, void* out, std::size_t count) = 0;
};

class MemorySource final : public ByteSource {
public:
    MemorySource(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint64_t Size() const override { return size_; }
    bool Read(std::uint64_t offset, void* out, std::size_t count) override;

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

struct FileVersion {
    std::uint32_t ms = 0, ls = 0;  // dwFileVersionMS and dwFileVersionLS
    bool has_language = false;     // false when the block has no VarFileInfo\Translation
    std::uint16_t language = 0;    // the first translation's LANGID
};

// False for anything but a well-formed PE image with a version resource whose fixed part
// carries its signature. Every offset and count is checked against the source's size. Of a
// resource kept in several languages, the first of `languages` that it has is read, else its
// first one (the order the Windows resource loader tries).
bool ReadFileVersion(ByteSource& source, const std::uint16_t* languages, std::size_t count, FileVersion& version);

}  // namespace winport::detail::pe
