// Test folders.
#include "TestFolders.h"
#include "companion/Utilities/UtilitiesLibraryHost.h"
#include "tests/support/WideText.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <random>
#include <sstream>

#include "FilterPipeline/PDLStreamFilter/CorvoAtriumHelper.h"
#include "companion/Utilities/CPString.h"

std::filesystem::path NativePath(const CXString& path) {
#if defined(_WIN32)
    return std::filesystem::path(path.str());
#else
    std::string native = CPString(path).str();
    for (char& c : native) {
        c = c == '\\' ? '/' : c;
    }
    return std::filesystem::path(native);
#endif
}

std::vector<std::string> EntriesOf(const CXString& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(NativePath(folder), error)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string ReadWholeFile(const CXString& path) {
    std::ifstream file(NativePath(path), std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

std::string ExampleJob(const char* name) {
    std::ifstream file(std::filesystem::path(CV_EXAMPLES_DIR) / "jobs" / name, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

std::vector<std::pair<std::u16string, std::u16string>> XmlChildrenInOrder(
    const CXString& path, std::u16string& rootName) {
    const std::string bytes = ReadWholeFile(path);
    const auto parser = UtilitiesLibraryHost::CreateMicrosoftXmlParser("test", false);
    parser->LoadFromBytes(reinterpret_cast<const BYTE*>(bytes.data()),
                          static_cast<DWORD>(bytes.size()));
    const auto root = parser->GetDocumentElement();
    rootName = Utf16(root->GetName());
    std::vector<std::pair<std::u16string, std::u16string>> children;
    for (const auto& child : root->GetChildElements()) {
        children.emplace_back(Utf16(child->GetName()), Utf16(child->GetTextValue()));
    }
    return children;
}

namespace {
CXString SettingsPath(const CXString& folder) {
    return folder + CorvoAtriumHelper::kSettingsFile;
}

// Test programs run side by side (ctest -j): the clock alone could give two of them one folder.
std::string UniqueSuffix() {
    return std::to_string(std::chrono::system_clock::now().time_since_epoch().count()) + "-" +
           std::to_string(std::random_device{}());
}
}  // namespace

std::filesystem::path ScratchFolder(const std::string& name) {
#if defined(_WIN32)
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / name;
#else
    const std::filesystem::path folder = std::filesystem::path(CV_TEST_SCRATCH_DIR) / name;
#endif
    std::filesystem::create_directories(folder);
    return folder;
}

TestProgramData::TestProgramData() {
#if defined(_WIN32)
    PWSTR path = nullptr;
    SHGetKnownFolderPath(FOLDERID_ProgramData, 0, nullptr, &path);
    folder = CXString(path) + WIDE("\\");
    CoTaskMemFree(path);
#else
    const auto created = ScratchFolder("cv-programdata-" + UniqueSuffix());
    CvSetProgramDataFolder(created.string().c_str());
    const std::string native = created.string();
    folder = CXString(std::basic_string<WCHAR>(native.begin(), native.end())) + WIDE("/");
#endif
    scratchRoot = NativePath(folder) / ("cv-tests-" + UniqueSuffix());
    std::filesystem::remove(NativePath(SettingsPath(folder)));
}

TestProgramData::~TestProgramData() {
    std::error_code ignored;
    std::filesystem::remove(NativePath(SettingsPath(folder)), ignored);
    std::filesystem::remove_all(scratchRoot, ignored);
#if !defined(_WIN32)
    std::filesystem::remove_all(NativePath(folder), ignored);
    CvSetProgramDataFolder(nullptr);
#endif
}

CXString TestProgramData::DefaultJobsRoot() const {
    return folder + CorvoAtriumHelper::kDefaultJobsRoot + WIDE("\\");
}

void TestProgramData::WriteSettings(const std::string& bytes) const {
    const auto path = NativePath(SettingsPath(folder));
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

CXString TestProgramData::Scratch(const char* name) const {
    const auto path = scratchRoot / name;
    std::filesystem::create_directories(path);
#if defined(_WIN32)
    return CXString(path.wstring()) + WIDE("\\");
#else
    const std::string native = path.string();
    return CXString(std::basic_string<WCHAR>(native.begin(), native.end())) + WIDE("/");
#endif
}

CXString TestProgramData::PrintReadyFile(const std::string& bytes) const {
    const CXString path = Scratch("ready") + CXString(WIDE("print-ready.tmp"));
    std::ofstream(NativePath(path), std::ios::binary) << bytes;
    return path;
}
