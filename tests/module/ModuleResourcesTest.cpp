// The DLL's version resource carries the release version of the build, the one `--version` and the
// archive names show.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cv-version.h"
#include "host/pipeline/FilterModule.h"

namespace {
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
