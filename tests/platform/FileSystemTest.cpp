// Files and folders of the stand-in layer: the Win32 answers for each call the filter and its
// companion make, paths written with backslashes, and what the print-ready pass-through relies
// on (a FIFO never blocks the open, a link opens as itself, a directory only when asked for).
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>

#include "seam/Win32Seam.h"

namespace {
class FileSystem : public ::testing::Test {
  protected:
    void SetUp() override {
        root = std::filesystem::temp_directory_path() /
               ("cv-fs-" + std::to_string(std::random_device{}()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(root);
        std::filesystem::create_directories(root);
    }
    void TearDown() override { std::filesystem::remove_all(root); }
    // `relative` in Windows form, below the test's folder.
    std::u16string Path(const std::string& relative) const {
        const std::string full = root.string() + "\\" + relative;
        return std::u16string(full.begin(), full.end());
    }
    HANDLE Open(const std::string& relative, DWORD access, DWORD disposition, DWORD flags = 0) {
        return CreateFileW(Path(relative).c_str(), access, FILE_SHARE_READ, nullptr, disposition,
                           FILE_ATTRIBUTE_NORMAL | flags, nullptr);
    }
    std::filesystem::path root;
};

TEST_F(FileSystem, EachCallAnswersLikeWindows) {
    std::ofstream(root / "existing.bin") << "x";
    std::filesystem::create_directories(root / "folder");
    std::filesystem::create_symlink(root / "existing.bin", root / "link.bin");
    mkfifo((root / "fifo").c_str(), 0600);
    // What a call made; the error it left (ERROR_SUCCESS where it succeeded, else its reason).
    struct Case {
        const char* label;
        std::function<bool()> call;
        bool succeeds;
        DWORD error;
    };
    const auto opens = [this](const char* name, DWORD access, DWORD disposition, DWORD flags,
                              DWORD type, DWORD attributes) {
        return [=, this] {
            SetLastError(12345);
            const HANDLE handle = Open(name, access, disposition, flags);
            const DWORD error = GetLastError();
            BY_HANDLE_FILE_INFORMATION information{};
            const bool ok = handle != INVALID_HANDLE_VALUE && GetFileType(handle) == type &&
                            GetFileInformationByHandle(handle, &information) != FALSE &&
                            (information.dwFileAttributes & attributes) == attributes;
            if (handle != INVALID_HANDLE_VALUE) {
                CloseHandle(handle);
            }
            SetLastError(error);
            return ok;
        };
    };
    const Case cases[] = {
        {"open a missing file",
         [&] { return Open("missing", GENERIC_READ, OPEN_EXISTING) != INVALID_HANDLE_VALUE; },
         false, ERROR_FILE_NOT_FOUND},
        {"create a file that exists",
         [&] { return Open("existing.bin", GENERIC_WRITE, CREATE_NEW) != INVALID_HANDLE_VALUE; },
         false, ERROR_FILE_EXISTS},
        {"open or create a file that exists",
         opens("existing.bin", GENERIC_READ, OPEN_ALWAYS, 0, FILE_TYPE_DISK, 0), true,
         ERROR_ALREADY_EXISTS},
        {"a FIFO without a writer opens at once",
         opens("fifo", GENERIC_READ, OPEN_EXISTING, 0, FILE_TYPE_PIPE, 0), true, ERROR_SUCCESS},
        {"a link opens as itself",
         opens("link.bin", GENERIC_READ, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT,
               FILE_TYPE_DISK, FILE_ATTRIBUTE_REPARSE_POINT),
         true, ERROR_SUCCESS},
        {"a directory does not open as a file",
         [&] { return Open("folder", GENERIC_READ, OPEN_EXISTING) != INVALID_HANDLE_VALUE; }, false,
         ERROR_ACCESS_DENIED},
        {"a directory opens with backup semantics",
         opens("folder", GENERIC_READ, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, FILE_TYPE_DISK,
               FILE_ATTRIBUTE_DIRECTORY),
         true, ERROR_SUCCESS},
        {"a folder below a missing one",
         [&] { return CreateDirectoryW(Path("missing\\child").c_str(), nullptr) != FALSE; }, false,
         ERROR_PATH_NOT_FOUND},
        {"a folder that exists",
         [&] { return CreateDirectoryW(Path("folder").c_str(), nullptr) != FALSE; }, false,
         ERROR_ALREADY_EXISTS},
        {"delete a folder as a file", [&] { return DeleteFileW(Path("folder").c_str()) != FALSE; },
         false, ERROR_ACCESS_DENIED},
        {"attributes of nothing",
         [&] { return GetFileAttributesW(Path("missing").c_str()) != INVALID_FILE_ATTRIBUTES; },
         false, ERROR_FILE_NOT_FOUND},
        {"rename onto a file that exists, without replacing",
         [&] {
             return MoveFileExW(Path("existing.bin").c_str(), Path("link.bin").c_str(), 0) != FALSE;
         },
         false, ERROR_ALREADY_EXISTS},
        {"close what is not a file handle",
         [] {
             int notAFile = 0;
             return CloseHandle(&notAFile) != FALSE;
         },
         false, ERROR_INVALID_HANDLE},
    };
    for (const Case& c : cases) {
        const bool succeeded = c.call();
        const DWORD error = GetLastError();
        EXPECT_EQ(c.succeeds, succeeded) << c.label;
        EXPECT_EQ(c.error, error) << c.label;
    }
}

TEST_F(FileSystem, WrittenBytesAreReadBackCountedAndRenamedIntoPlace) {
    HANDLE handle = Open("data.tmp", GENERIC_WRITE, CREATE_ALWAYS);
    DWORD written = 0;
    EXPECT_EQ(TRUE, WriteFile(handle, "\x1b%-12345X", 9, &written, nullptr));
    EXPECT_EQ(9u, written);
    LARGE_INTEGER size{};
    EXPECT_EQ(TRUE, GetFileSizeEx(handle, &size));
    EXPECT_EQ(9, size.QuadPart);
    CloseHandle(handle);
    EXPECT_EQ(TRUE, MoveFileExW(Path("data.tmp").c_str(), Path("data.out").c_str(),
                                MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
    handle = Open("data.out", GENERIC_READ, OPEN_EXISTING);
    char bytes[16] = {};
    DWORD read = 0;
    EXPECT_EQ(TRUE, ReadFile(handle, bytes, sizeof bytes, &read, nullptr));
    EXPECT_EQ(std::string("\x1b%-12345X"), std::string(bytes, read));
    CloseHandle(handle);
    EXPECT_TRUE(std::filesystem::exists(root / "data.out")) << "the backslash named the same file";
    EXPECT_FALSE(std::filesystem::exists(root / "data.tmp"));
}
}  // namespace
