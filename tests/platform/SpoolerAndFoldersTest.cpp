// The in-process spooler and the common application data folder of the stand-in layer, which the
// host fills from its job description.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "seam/Win32Seam.h"

namespace {
TEST(Spooler, PrinterDataIsAnsweredLikeTheWindowsSpooler) {
    CvSpoolerReset();
    CvSpoolerDefinePrinter(u"Office", u"");
    CvSpoolerSetPrinterDataDword(u"Office", u"PrinterDriverData", u"UseCorvoAtrium", 1);
    HANDLE printer = nullptr;
    char16_t unknown[] = u"Basement";
    EXPECT_EQ(FALSE, OpenPrinterW(unknown, &printer, nullptr));
    EXPECT_EQ(ERROR_INVALID_PRINTER_NAME, GetLastError());
    char16_t office[] = u"Office";
    ASSERT_EQ(TRUE, OpenPrinterW(office, &printer, nullptr));
    DWORD type = 0, value = 0, needed = 0;
    EXPECT_EQ(ERROR_SUCCESS,
              GetPrinterDataExW(printer, u"PrinterDriverData", u"UseCorvoAtrium", &type,
                                reinterpret_cast<BYTE*>(&value), sizeof value, &needed));
    EXPECT_EQ(REG_DWORD, type);
    EXPECT_EQ(1u, value);
    EXPECT_EQ(ERROR_MORE_DATA,
              GetPrinterDataExW(printer, u"PrinterDriverData", u"UseCorvoAtrium", &type,
                                reinterpret_cast<BYTE*>(&value), 2, &needed));
    EXPECT_EQ(4u, needed);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              GetPrinterDataExW(printer, u"PrinterDriverData", u"Other", &type,
                                reinterpret_cast<BYTE*>(&value), 4, &needed));
    EXPECT_EQ(FALSE, GetPrinterW(printer, 1, nullptr, 0, &needed));
    EXPECT_EQ(ERROR_INVALID_LEVEL, GetLastError());
    EXPECT_EQ(TRUE, ClosePrinter(printer));
    CvSpoolerReset();
}

TEST(KnownFolders, TheProgramDataFolderComesFromTheHostElseTheEnvironment) {
    struct Case {
        const char* label;
        const char* hostValue;
        const char* environment;
        HRESULT expected;
        std::u16string path;
    };
    const Case cases[] = {
        {"host value", "/srv/pd/", "/env/pd", S_OK, u"/srv/pd"},
        {"environment", nullptr, "/env/pd", S_OK, u"/env/pd"},
        {"neither", nullptr, nullptr, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), u""},
    };
    for (const Case& c : cases) {
        CvSetProgramDataFolder(c.hostValue);
        c.environment != nullptr ? setenv("PROGRAMDATA", c.environment, 1)
                                 : unsetenv("PROGRAMDATA");
        PWSTR path = nullptr;
        EXPECT_EQ(c.expected, SHGetKnownFolderPath(FOLDERID_ProgramData, 0, nullptr, &path))
            << c.label;
        EXPECT_EQ(c.path, path != nullptr ? std::u16string(path) : u"") << c.label;
        CoTaskMemFree(path);
    }
    const KNOWNFOLDERID other = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
    PWSTR path = nullptr;
    EXPECT_EQ(E_INVALIDARG, SHGetKnownFolderPath(other, 0, nullptr, &path));
    unsetenv("PROGRAMDATA");
    CvSetProgramDataFolder(nullptr);
}
}  // namespace
