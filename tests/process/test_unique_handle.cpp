// The one handle owner: it closes exactly once, keeps the thread's last error while closing,
// and hands its handle on when moved or released.
#include <common-win32/common-win32.h>

#include <gtest/gtest.h>

#include <utility>

#include "support/unique_handle.h"

namespace {

TEST(UniqueHandle, ClosesOnceKeepsTheLastErrorAndMoves) {
    HANDLE read_end = nullptr, write_end = nullptr;
    ASSERT_TRUE(CreatePipe(&read_end, &write_end, nullptr, 0));
    cw32::UniqueKernelHandle reader(read_end), writer(write_end);
    SetLastError(1234);
    writer.reset();
    EXPECT_EQ(GetLastError(), 1234u);
    EXPECT_FALSE(writer.valid());
    char byte = 0;
    DWORD read = 0;
    EXPECT_FALSE(ReadFile(reader.get(), &byte, 1, &read, nullptr));  // the only writer is gone
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BROKEN_PIPE));

    cw32::UniqueKernelHandle moved(std::move(reader));
    EXPECT_FALSE(reader.valid());
    ASSERT_TRUE(moved.valid());
    const HANDLE raw = moved.release();
    EXPECT_FALSE(moved);
    EXPECT_TRUE(moved.close());  // nothing held: nothing to report
    EXPECT_TRUE(CloseHandle(raw));
}

}  // namespace
