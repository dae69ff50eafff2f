// The Windows packaging files held to the code: the pipeline configuration names the filter's
// class, the stream interfaces of seam/ and the DLL the build makes, and the INF lines carry
// exactly the files the configuration needs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "FilterPipeline/PDLStreamFilter/FilterClassId.h"
#include "companion/FilterUtilities/MsSafeCoInit.h"
#include "companion/Utilities/CPString.h"
#include "companion/Utilities/UtilitiesLibraryHost.h"
#include "host/job/TextConversion.h"
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

// GUIDs and file names are compared as Windows does, without regard to case.
std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// The <Filter> elements of the configuration in order, each as its dll, clsid, input and output
// (GUIDs upper-cased); parsing refuses a file that is not XML.
std::vector<std::vector<std::string>> ConfiguredFilters() {
    const MsSafeCoInit com;
    const std::string text = ReadPackagingFile(kConfiguration);
    auto parser = UtilitiesLibraryHost::CreateMicrosoftXmlParser("packaging", false);
    parser->LoadFromBytes(reinterpret_cast<const BYTE*>(text.data()),
                          static_cast<DWORD>(text.size()));
    const auto root = parser->GetDocumentElement();
    EXPECT_EQ("Filters", CPString(root->GetName()).str());
    const auto attribute = [](const XmlDomNode& node, const WCHAR* name) {
        return Upper(CPString(node.GetAttribute(CXString(name))).str());
    };
    std::vector<std::vector<std::string>> filters;
    for (const auto& filter : root->GetChildElements()) {
        filters.push_back({attribute(*filter, WIDE("dll")), attribute(*filter, WIDE("clsid"))});
        for (const auto& pin : filter->GetChildElements()) {
            filters.back().push_back(CPString(pin->GetName()).str() + " " +
                                     attribute(*pin, WIDE("guid")));
        }
    }
    return filters;
}

TEST(WindowsPackaging, ThePipelineConfigurationRunsTheModulesClassBehindAStreamRenderer) {
    const std::vector<std::vector<std::string>> filters = ConfiguredFilters();
    ASSERT_EQ(2u, filters.size()) << "the renderer placeholder, then the filter";
    EXPECT_EQ((std::vector<std::string>{
                  Upper(kModuleDll), TextConversion::GuidText(CLSID_PDLStreamFilter),
                  "Input " + TextConversion::GuidText(IID_IPrintReadStream),
                  "Output " + TextConversion::GuidText(IID_IPrintWriteStream)}),
              filters.back());
    EXPECT_EQ("Output " + TextConversion::GuidText(IID_IPrintWriteStream), filters.front().back())
        << "the renderer hands the filter a stream";
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
