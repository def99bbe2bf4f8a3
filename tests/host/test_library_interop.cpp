// CLibraryInterop with a real test library (which needs a second library beside it).
#include "support/test_host.h"
#include "support/test_programs.h"

#include <gtest/gtest.h>

#include <cstring>

using cw32test::MakeHost;

namespace {

// Calls an exported "int f()" found by GetFunction (through void(*)() so the cast is exact).
int Call(FARPROC function) { return reinterpret_cast<int (*)()>(reinterpret_cast<void (*)()>(function))(); }

const wchar_t kPrefix[] = L"[CLibraryInterop] ";

std::vector<std::wstring> Lines(const cw32test::RecordingHost& host) {
    std::vector<std::wstring> out;
    for (const auto& l : host.lines) {
        EXPECT_EQ(l.level, 2);
        out.push_back(l.text);
    }
    return out;
}

// In this compiler's ABI a virtual member pointer holds 1 + the slot's byte offset, and the
// virtual destructor takes the first two slots (complete and deleting).
template <class F>
std::ptrdiff_t SlotOf(F member) {
    std::ptrdiff_t words[2];
    static_assert(sizeof(member) == sizeof(words), "a member pointer is two words");
    std::memcpy(words, &member, sizeof words);
    return (words[0] - 1) / static_cast<std::ptrdiff_t>(sizeof(void*));
}

TEST(LibraryInterop, VirtualSlotsAfterTheDestructor) {
    EXPECT_TRUE(std::has_virtual_destructor<CLibraryInterop>::value);
    EXPECT_EQ(SlotOf(&CLibraryInterop::SetFile), 2);
    EXPECT_EQ(SlotOf(&CLibraryInterop::GetFunction), 3);
}

TEST(LibraryInterop, LoadsLooksUpAndLogsEachStep) {
    const std::wstring plugin = cw32test::TestPluginPath();
    auto host = MakeHost();
    {
        CLibraryInterop library(host, plugin.c_str());
        FARPROC answer = library.GetFunction(L"PluginAnswer");
        ASSERT_NE(answer, nullptr);
        EXPECT_EQ(Call(answer), 42);  // its dependency was found beside it
        EXPECT_EQ(library.GetFunction(L"NoSuchFunction"), nullptr);
    }
    EXPECT_EQ(Lines(*host), (std::vector<std::wstring>{
                                kPrefix + (L"loaded DLL '" + plugin + L"'"),
                                std::wstring(kPrefix) + L"located DLL function 'PluginAnswer'",
                                std::wstring(kPrefix) + L"failed to find DLL function 'NoSuchFunction'",
                            }));
    EXPECT_EQ(host.use_count(), 1);
}

// Unload is protected: a derived class reaches it, as the class's users would.
struct UnloadProbe : CLibraryInterop {
    using CLibraryInterop::CLibraryInterop;
    bool CallUnload() { return Unload(); }
};

TEST(LibraryInterop, EmptyObjectsFailedLoadsAndUnload) {
    const std::wstring plugin = cw32test::TestPluginPath();
    const std::wstring missing = cw32test::ProgramDirectory() + cw32test::PathSeparator() + L"no-such-library.dll";
    auto host = MakeHost();
    UnloadProbe library(host, nullptr);
    EXPECT_TRUE(host->lines.empty());
    EXPECT_TRUE(library.CallUnload());  // always succeeds, loaded or not
    EXPECT_EQ(library.GetFunction(L"PluginAnswer"), nullptr);
    EXPECT_TRUE(library.SetFile(plugin.c_str()));
    EXPECT_FALSE(library.SetFile(missing.c_str()));  // frees the library loaded before
    EXPECT_EQ(library.GetFunction(L"PluginAnswer"), nullptr);
    EXPECT_TRUE(library.SetFile(plugin.c_str()));
    EXPECT_FALSE(library.SetFile(nullptr));  // unloads, logs nothing
    EXPECT_EQ(Lines(*host), (std::vector<std::wstring>{
                                std::wstring(kPrefix) + L"cannot load function -- there is no DLL to load from",
                                kPrefix + (L"loaded DLL '" + plugin + L"'"),
                                kPrefix + (L"failed to load DLL '" + missing + L"'"),
                                std::wstring(kPrefix) + L"cannot load function -- there is no DLL to load from",
                                kPrefix + (L"loaded DLL '" + plugin + L"'"),
                            }));
    EXPECT_TRUE(library.SetFile(plugin.c_str()));
    EXPECT_TRUE(library.CallUnload());
    EXPECT_EQ(library.GetFunction(L"PluginAnswer"), nullptr);
}

TEST(LibraryInterop, CopiesHoldLoadsOfTheirOwn) {
    const std::wstring plugin = cw32test::TestPluginPath();
    auto host = MakeHost();
    auto* original = new CLibraryInterop(host, plugin.c_str());
    CLibraryInterop copy(*original);
    CLibraryInterop assigned(host, nullptr);
    assigned = *original;
    assigned = assigned;
    delete original;
    // Both survivors still hold the library: calling into it is safe.
    FARPROC from_copy = copy.GetFunction(L"PluginAnswer");
    ASSERT_NE(from_copy, nullptr);
    EXPECT_EQ(Call(from_copy), 42);
    FARPROC from_assigned = assigned.GetFunction(L"PluginAnswer");
    ASSERT_NE(from_assigned, nullptr);
    EXPECT_EQ(Call(from_assigned), 42);
    EXPECT_EQ(host.use_count(), 5);  // the test's own, and two per survivor (its logger and its log's)
}

}  // namespace
