// The DLL's string table names its dependent libraries, one string per identifier from 0.
#include <gtest/gtest.h>

#include <string>

#include "FilterPipeline/PDLStreamFilter/ModuleStringTable.h"
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
}  // namespace
