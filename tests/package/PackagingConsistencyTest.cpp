// The Windows packaging files held to the code: the pipeline configuration names the class the
// module serves, the stream interfaces of seam/ and the DLL the build makes, and the INF lines
// carry exactly the files the configuration needs.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "companion/FilterUtilities/MsSafeCoInit.h"
#include "companion/Utilities/CPString.h"
#include "companion/Utilities/UtilitiesLibraryHost.h"
#include "host/FilterModule.h"
#include "seam/FilterPipelineInterfaces.h"

namespace {
const std::string kPackaging = std::string(CV_SOURCE_DIR) + "/packaging/windows/";
const std::string kConfiguration = "cvpdl-pipelineconfig.xml";
const std::string kModuleDll = CV_MODULE_BASE_NAME ".dll";

std::string ReadPackagingFile(const std::string& name) {
    std::ifstream file(kPackaging + name, std::ios::binary);
    EXPECT_TRUE(file.good()) << kPackaging + name;
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" in either case; nothing for any other text.
std::optional<GUID> ParseGuid(const std::string& text) {
    GUID guid{};
    unsigned int d1 = 0, d2 = 0, d3 = 0;
    unsigned int b[8] = {};
    char end = 0;
    if (text.size() != 38 ||
        std::sscanf(text.c_str(), "{%8x-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x%c", &d1, &d2, &d3, &b[0],
                    &b[1], &b[2], &b[3], &b[4], &b[5], &b[6], &b[7], &end) != 12 ||
        end != '}') {
        return std::nullopt;
    }
    guid.Data1 = d1;
    guid.Data2 = static_cast<unsigned short>(d2);
    guid.Data3 = static_cast<unsigned short>(d3);
    for (int i = 0; i < 8; ++i) {
        guid.Data4[i] = static_cast<unsigned char>(b[i]);
    }
    return guid;
}

struct FilterEntry {
    std::string dll;
    std::optional<GUID> classId;
    std::optional<GUID> input;
    std::optional<GUID> output;
};

// The <Filter> elements of the configuration in order; parsing refuses a file that is not XML.
std::vector<FilterEntry> ConfiguredFilters() {
    const MsSafeCoInit com;
    const std::string text = ReadPackagingFile(kConfiguration);
    auto parser = UtilitiesLibraryHost::CreateMicrosoftXmlParser("packaging", false);
    parser->LoadFromBytes(reinterpret_cast<const BYTE*>(text.data()),
                          static_cast<DWORD>(text.size()));
    const auto root = parser->GetDocumentElement();
    EXPECT_EQ("Filters", CPString(root->GetName()).str());
    const auto attribute = [](const XmlDomNode& node, const WCHAR* name) {
        return CPString(node.GetAttribute(CXString(name))).str();
    };
    std::vector<FilterEntry> filters;
    for (const auto& filter : root->GetChildElements()) {
        FilterEntry entry{attribute(*filter, WIDE("dll")),
                          ParseGuid(attribute(*filter, WIDE("clsid"))), std::nullopt, std::nullopt};
        for (const auto& pin : filter->GetChildElements()) {
            const std::string kind = CPString(pin->GetName()).str();
            (kind == "Input" ? entry.input : entry.output) =
                ParseGuid(attribute(*pin, WIDE("guid")));
        }
        filters.push_back(entry);
    }
    return filters;
}

TEST(WindowsPackaging, ThePipelineConfigurationRunsTheModulesClassBehindAStreamRenderer) {
    const std::vector<FilterEntry> filters = ConfiguredFilters();
    ASSERT_EQ(2u, filters.size()) << "the renderer placeholder, then the filter";
    const FilterEntry& renderer = filters.front();
    const FilterEntry& ours = filters.back();
    EXPECT_EQ(kModuleDll, ours.dll);
    ASSERT_TRUE(ours.classId.has_value());
    const FilterModule module(FilterModule::PathBesideExecutable());
    IClassFactory* factory = nullptr;
    EXPECT_EQ(S_OK, module.GetClassObject(*ours.classId, IID_IClassFactory,
                                          reinterpret_cast<void**>(&factory)))
        << "the module serves the configured class";
    if (factory != nullptr) {
        factory->Release();
    }
    ASSERT_TRUE(ours.input && ours.output && renderer.output);
    EXPECT_TRUE(IsEqualGUID(IID_IPrintReadStream, *ours.input)) << "the filter reads a stream";
    EXPECT_TRUE(IsEqualGUID(IID_IPrintWriteStream, *ours.output)) << "and writes one";
    EXPECT_TRUE(IsEqualGUID(IID_IPrintWriteStream, *renderer.output))
        << "the renderer hands the filter a stream";
    EXPECT_EQ(S_OK, module.CanUnloadNow());
}

// The entries of each section of an INF or INI text: the name before any "=", blanks and
// comments (from ";") removed.
std::map<std::string, std::vector<std::string>> SectionEntries(const std::string& text) {
    std::map<std::string, std::vector<std::string>> sections;
    std::istringstream lines(text);
    std::string line;
    std::string section;
    const auto trim = [](std::string s) {
        const auto first = s.find_first_not_of(" \t\r");
        const auto last = s.find_last_not_of(" \t\r");
        return first == std::string::npos ? std::string() : s.substr(first, last - first + 1);
    };
    while (std::getline(lines, line)) {
        line = trim(line.substr(0, line.find(';')));
        if (line.size() > 1 && line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
            sections[section];
        } else if (!line.empty()) {
            sections[section].push_back(trim(line.substr(0, line.find('='))));
        }
    }
    return sections;
}

TEST(WindowsPackaging, TheInfLinesCarryTheModuleAndItsConfigurationAndNothingElse) {
    const auto inf = SectionEntries(ReadPackagingFile("driver-inf-lines.inf"));
    const std::vector<std::string> files = {kModuleDll, kConfiguration};
    ASSERT_EQ(2u, inf.size()) << "a copy-files section and [SourceDisksFiles]";
    for (const auto& [section, entries] : inf) {
        EXPECT_EQ(files, entries) << "[" << section << "]";
    }
    const auto manifest = SectionEntries(ReadPackagingFile("driver-manifest-lines.ini"));
    for (const auto& [section, entries] : manifest) {
        for (const std::string& entry : entries) {
            EXPECT_EQ(std::string::npos, entry.find(".dll")) << "[" << section << "] " << entry;
        }
    }
}
}  // namespace
