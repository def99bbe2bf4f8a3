// The PE version reader on any bytes: no crash and no read outside them (ASan sees the input's
// exact size), and the same answer whether the bytes are read in one piece or one at a time.
#include "msi/pe_version.h"

#include <cstdlib>
#include <cstring>

namespace {

using winport::detail::pe::ByteSource;
using winport::detail::pe::FileVersion;

// Hands the bytes over one at a time, as a file read in small pieces would.
class BytewiseSource final : public ByteSource {
public:
    BytewiseSource(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint64_t Size() const override { return size_; }
    bool Read(std::uint64_t offset, void* out, std::size_t count) override {
        auto* to = static_cast<std::uint8_t*>(out);
        for (std::size_t i = 0; i < count; ++i) {
            if (offset + i >= size_) return false;
            to[i] = data_[offset + i];
        }
        return true;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    winport::detail::pe::MemorySource whole(data, size);
    BytewiseSource pieces(data, size);
    const std::uint16_t languages[] = {0x0000, 0x0409};
    FileVersion a, b;
    const bool found = ReadFileVersion(whole, languages, 2, a);
    if (found != ReadFileVersion(pieces, languages, 2, b)) std::abort();
    if (found && (a.ms != b.ms || a.ls != b.ls || a.has_language != b.has_language || a.language != b.language))
        std::abort();
    return 0;
}
