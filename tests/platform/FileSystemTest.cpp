// Files and folders of the stand-in layer: the Win32 answers the filter's companion relies on, for
// paths written with backslashes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>

#include "seam/Win32Seam.h"
#include "tests/support/TestFolders.h"

namespace {
class FileSystem : public ::testing::Test {
  protected:
    void SetUp() override {
        root = ScratchFolder("cv-filesystem") /
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
    // Opens for reading and closes again, leaving the open's last error.
    bool Opens(const std::string& relative, DWORD disposition) const {
        const HANDLE handle = CreateFileW(Path(relative).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                          nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
        const DWORD error = GetLastError();
        CloseHandle(handle);
        SetLastError(error);
        return handle != INVALID_HANDLE_VALUE;
    }
    std::filesystem::path root;
};

// The answers the companion's folder and file helpers branch on. (Links, FIFOs, directories and
// missing files as print-ready paths are the operation's tests; written bytes, sizes and renames
// the Atrium tests'.)
TEST_F(FileSystem, EachCallAnswersLikeWindows) {
    std::ofstream(root / "existing.bin") << "x";
    std::filesystem::create_directories(root / "folder");
    struct Case {
        const char* label;
        std::function<bool()> call;
        bool succeeds;
        DWORD error;  // ERROR_SUCCESS where it succeeded, else its reason
    };
    const Case cases[] = {
        {"open or create a file that exists", [&] { return Opens("existing.bin", OPEN_ALWAYS); },
         true, ERROR_ALREADY_EXISTS},
        {"a folder opened as a file", [&] { return Opens("folder", OPEN_EXISTING); }, false,
         ERROR_ACCESS_DENIED},
        {"a folder below a missing one",
         [&] { return CreateDirectoryW(Path("missing\\child").c_str(), nullptr) != FALSE; }, false,
         ERROR_PATH_NOT_FOUND},
        {"a folder that exists",
         [&] { return CreateDirectoryW(Path("folder").c_str(), nullptr) != FALSE; }, false,
         ERROR_ALREADY_EXISTS},
        {"attributes of nothing",
         [&] { return GetFileAttributesW(Path("missing").c_str()) != INVALID_FILE_ATTRIBUTES; },
         false, ERROR_FILE_NOT_FOUND},
    };
    for (const Case& c : cases) {
        SetLastError(12345);
        const bool succeeded = c.call();
        const DWORD error = GetLastError();
        EXPECT_EQ(c.succeeds, succeeded) << c.label;
        EXPECT_EQ(c.error, error) << c.label;
    }
}
// A replacing move leaves the name with the moved file's bytes and the moved name gone, whether
// the target existed or not; without the replace flag an existing target is kept.
TEST_F(FileSystem, AMoveReplacesTheTargetOnlyWhenAskedTo) {
    struct Case {
        const char* label;
        bool targetExists;
        DWORD flags;
        bool succeeds;
        const char* targetHolds;
    };
    const Case cases[] = {
        {"onto an existing file, replacing", true, MOVEFILE_REPLACE_EXISTING, true, "new"},
        {"to a new name, replacing", false, MOVEFILE_REPLACE_EXISTING, true, "new"},
        {"onto an existing file, written through", true,
         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH, true, "new"},
        {"onto an existing file, not replacing", true, 0, false, "old"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(root / "target.bin");
        std::ofstream(root / "moved.bin") << "new";
        if (c.targetExists) {
            std::ofstream(root / "target.bin") << "old";
        }
        const bool succeeded =
            MoveFileExW(Path("moved.bin").c_str(), Path("target.bin").c_str(), c.flags) != FALSE;
        EXPECT_EQ(c.succeeds, succeeded) << c.label;
        std::string content;
        std::ifstream(root / "target.bin") >> content;
        EXPECT_EQ(c.targetHolds, content) << c.label;
        EXPECT_EQ(!c.succeeds, std::filesystem::exists(root / "moved.bin")) << c.label;
        EXPECT_EQ(1 + (c.succeeds ? 0 : 1), std::distance(std::filesystem::directory_iterator(root),
                                                          std::filesystem::directory_iterator{}))
            << c.label << ": no file left behind";
    }
}
}  // namespace
