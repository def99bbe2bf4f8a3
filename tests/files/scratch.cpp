#include "scratch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <sstream>

namespace fs = std::filesystem;

namespace cw32test {
namespace {

std::wstring Native(std::wstring path) {
#if !defined(_WIN32)
    for (wchar_t& c : path)
        if (c == L'\\') c = L'/';
#endif
    return path;
}

// Read-only entries refuse removal on Windows; the clean-up clears them first.
void MakeWritable(const fs::path& root) {
    std::error_code ec;
    fs::permissions(root, fs::perms::owner_write, fs::perm_options::add, ec);
    if (!fs::is_directory(fs::symlink_status(root, ec))) return;
    for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (!fs::is_symlink(it->symlink_status())) fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, ec);
    }
}

}  // namespace

ScratchDir::ScratchDir() {
    static std::atomic<int> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    std::wstringstream name;
    name << L"cw32-files-" << stamp << L"-" << counter++;
    const fs::path root = fs::temp_directory_path() / name.str();
    fs::create_directories(root);
    root_ = root.wstring();
    while (!root_.empty() && (root_.back() == L'/' || root_.back() == L'\\')) root_.pop_back();
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    MakeWritable(fs::path(root_));
    fs::remove_all(fs::path(root_), ec);
}

std::wstring ScratchDir::W(const std::wstring& relative) const { return root_ + L"\\" + relative; }

fs::path ScratchDir::P(const std::wstring& relative) const { return fs::path(Native(root_ + L"\\" + relative)); }

void ScratchDir::WriteFile(const std::wstring& relative, const std::string& bytes) const {
    const fs::path path = P(relative);
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path.string();
}

std::string ScratchDir::ReadFile(const std::wstring& relative) const {
    std::ifstream in(P(relative), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool ScratchDir::Exists(const std::wstring& relative) const {
    std::error_code ec;
    return fs::exists(fs::symlink_status(P(relative), ec));
}

void ScratchDir::MakeDir(const std::wstring& relative) const { fs::create_directories(P(relative)); }

void ScratchDir::SetReadOnly(const std::wstring& relative, bool read_only) const {
    const DWORD attributes = read_only ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL;
    ASSERT_TRUE(SetFileAttributesW(W(relative).c_str(), attributes)) << GetLastError();
}

bool WineWritesReadOnlyFiles() {
#if defined(CW32_TESTS_UNDER_WINE)
    ScratchDir dir;
    dir.WriteFile(L"probe.txt", "");
    dir.SetReadOnly(L"probe.txt", true);
    HANDLE file = CreateFileW(dir.W(L"probe.txt").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    const bool opened = file != INVALID_HANDLE_VALUE;
    if (opened) CloseHandle(file);
    dir.SetReadOnly(L"probe.txt", false);
    return opened;
#else
    return false;
#endif
}

}  // namespace cw32test
