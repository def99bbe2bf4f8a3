// A folder of real files for a test, removed with everything in it at the end of the test.
#pragma once

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

namespace cw32test {

class TempFolder {
public:
    TempFolder() {
        static int serial = 0;
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        root_ = std::filesystem::temp_directory_path() /
                ("cw32-classlib-" + std::to_string(stamp) + "-" + std::to_string(++serial));
        std::filesystem::create_directories(root_);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::filesystem::path Root() const { return root_; }
    // The full path of `name` inside the folder, as the wide text the file classes take.
    std::wstring Path(const std::wstring& name) const { return (root_ / name).wstring(); }

    void Write(const std::wstring& name, const std::string& bytes) const {
        std::ofstream out(root_ / name, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    std::string Read(const std::wstring& name) const {
        std::ifstream in(root_ / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    bool Exists(const std::wstring& name) const { return std::filesystem::exists(root_ / name); }

private:
    std::filesystem::path root_;
};

}  // namespace cw32test
