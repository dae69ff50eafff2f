// Files and folders of the stand-in layer: the Win32 answers for existing and missing files, and
// paths written with backslashes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "seam/Win32Seam.h"

namespace {
class FileSystem : public ::testing::Test {
  protected:
    void SetUp() override {
        root = std::filesystem::temp_directory_path() /
               ("cv-fs-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(root);
    }
    void TearDown() override { std::filesystem::remove_all(root); }
    // `relative` in Windows form, below the test's folder.
    std::u16string Path(const std::string& relative) const {
        const std::string full = root.string() + "\\" + relative;
        return std::u16string(full.begin(), full.end());
    }
    std::filesystem::path root;
};

TEST_F(FileSystem, CreatingAndOpeningReportLikeWindows) {
    const std::u16string file = Path("a.bin");
    struct Case {
        const char* label;
        DWORD disposition;
        bool opens;
        DWORD error;
    };
    const Case cases[] = {
        {"open a missing file", OPEN_EXISTING, false, ERROR_FILE_NOT_FOUND},
        {"create it", CREATE_NEW, true, ERROR_SUCCESS},
        {"create it again", CREATE_NEW, false, ERROR_FILE_EXISTS},
        {"open or create an existing file", OPEN_ALWAYS, true, ERROR_ALREADY_EXISTS},
        {"open an existing file", OPEN_EXISTING, true, ERROR_SUCCESS},
    };
    for (const Case& c : cases) {
        SetLastError(12345);
        const HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                          c.disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_EQ(c.opens, handle != INVALID_HANDLE_VALUE) << c.label;
        if (c.opens || c.error != ERROR_SUCCESS) {
            EXPECT_EQ(c.error, GetLastError()) << c.label;
        }
        if (handle != INVALID_HANDLE_VALUE) {
            EXPECT_EQ(TRUE, CloseHandle(handle)) << c.label;
        }
    }
}

TEST_F(FileSystem, WrittenBytesAreReadBackAndCounted) {
    const std::u16string file = Path("data.out");
    HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    EXPECT_EQ(TRUE, WriteFile(handle, "\x1b%-12345X", 9, &written, nullptr));
    EXPECT_EQ(9u, written);
    LARGE_INTEGER size{};
    EXPECT_EQ(TRUE, GetFileSizeEx(handle, &size));
    EXPECT_EQ(9, size.QuadPart);
    CloseHandle(handle);
    handle = CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    char bytes[16] = {};
    DWORD read = 0;
    EXPECT_EQ(TRUE, ReadFile(handle, bytes, sizeof bytes, &read, nullptr));
    EXPECT_EQ(std::string("\x1b%-12345X"), std::string(bytes, read));
    CloseHandle(handle);
    EXPECT_TRUE(std::filesystem::exists(root / "data.out")) << "the backslash named the same file";
}

TEST_F(FileSystem, FoldersAndDeletionReportLikeWindows) {
    EXPECT_EQ(FALSE, CreateDirectoryW(Path("missing\\child").c_str(), nullptr));
    EXPECT_EQ(ERROR_PATH_NOT_FOUND, GetLastError());
    EXPECT_EQ(TRUE, CreateDirectoryW(Path("folder").c_str(), nullptr));
    EXPECT_EQ(FALSE, CreateDirectoryW(Path("folder").c_str(), nullptr));
    EXPECT_EQ(ERROR_ALREADY_EXISTS, GetLastError());
    EXPECT_EQ(FILE_ATTRIBUTE_DIRECTORY, GetFileAttributesW(Path("folder").c_str()));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(Path("nothing").c_str()));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetLastError());
    EXPECT_EQ(FALSE, DeleteFileW(Path("folder").c_str()));
    EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
    EXPECT_EQ(FALSE, DeleteFileW(Path("nothing").c_str()));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetLastError());
}

TEST_F(FileSystem, AForeignHandleIsRefused) {
    int notAFile = 0;
    EXPECT_EQ(FALSE, CloseHandle(&notAFile));
    EXPECT_EQ(ERROR_INVALID_HANDLE, GetLastError());
    EXPECT_EQ(FALSE, CloseHandle(INVALID_HANDLE_VALUE));
}
}  // namespace
