// Per-thread state of the stand-in layer: the last error, and a module that is not there.
#include <gtest/gtest.h>

#include <thread>

#include "seam/Win32Seam.h"

namespace {
TEST(ThreadState, TheLastErrorBelongsToTheThreadThatSetIt) {
    SetLastError(1234);
    DWORD seenByOtherThread = 99;
    std::thread([&] {
        seenByOtherThread = GetLastError();
        SetLastError(5);
    }).join();
    EXPECT_EQ(ERROR_SUCCESS, seenByOtherThread);
    EXPECT_EQ(1234u, GetLastError());
}

TEST(ModuleLoading, LoadingAModuleThatIsNotThereFailsWithModNotFound) {
    EXPECT_EQ(nullptr, LoadLibraryW(u"/nonexistent/cv-missing.so"));
    EXPECT_EQ(ERROR_MOD_NOT_FOUND, GetLastError());
}
}  // namespace
