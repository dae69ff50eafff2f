// The DLL's resources: the string table names its dependent libraries, one string per identifier
// from 0, and the version resource carries the release version of the build.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FilterPipeline/PDLStreamFilter/ModuleStringTable.h"
#include "cv-version.h"
#include "host/FilterModule.h"

namespace {
TEST(ModuleStringTable, ListsTheDependentLibrariesInOrder) {
    const FilterModule module(FilterModule::PathBesideExecutable());
    struct Case {
        UINT id;
        std::wstring expected;
    };
    const Case cases[] = {
        {IDS_STRING_TABLE_VERSION, L"V1.0"},
        {IDS_DEPENDENT_UTILITIES_DLL, L"cv-Utilities.v7.250.9.0.dll"},
        {IDS_DEPENDENT_FILTER_UTILITIES_DLL, L"cv-FilterUtilities.v7.250.9.0.dll"},
        {IDS_END_OF_DEPENDENT_DLLS, L"(end-of-dependent-dlls)"},
    };
    for (const Case& c : cases) {
        wchar_t text[128] = {};
        const int length = LoadStringW(module.Handle(), c.id, text, 128);
        EXPECT_EQ(c.expected, std::wstring(text, length > 0 ? length : 0)) << "string " << c.id;
    }
    wchar_t beyond[8] = {};
    EXPECT_EQ(0, LoadStringW(module.Handle(), IDS_END_OF_DEPENDENT_DLLS + 1, beyond, 8));
}

TEST(ModuleVersion, TheVersionResourceCarriesTheReleaseVersion) {
    const std::wstring path(FilterModule::PathBesideExecutable());
    DWORD ignored = 0;
    std::vector<BYTE> data(GetFileVersionInfoSizeW(path.c_str(), &ignored));
    ASSERT_FALSE(data.empty());
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(data.size()), data.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(static_cast<DWORD>(MAKELONG(CV_VERSION_MINOR, CV_VERSION_MAJOR)),
              fixed->dwFileVersionMS);
    EXPECT_EQ(static_cast<DWORD>(MAKELONG(0, CV_VERSION_PATCH)), fixed->dwFileVersionLS);
    wchar_t* text = nullptr;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\StringFileInfo\\040904B0\\ProductVersion",
                               reinterpret_cast<void**>(&text), &length));
    const std::string expected = CV_VERSION_RESOURCE_TEXT;
    EXPECT_EQ(std::wstring(expected.begin(), expected.end()), std::wstring(text));
}
}  // namespace
