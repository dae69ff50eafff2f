// Folders for tests: a common application data folder of the test's own (on Windows the real one,
// with the settings file removed again), and native paths for looking at what was written.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "companion/Utilities/CXString.h"

std::filesystem::path NativePath(const CXString& path);
// A folder for a test's own files, `name` in the build tree's test-scratch folder (on Windows in
// the Wine prefix's temporary folder, which lies in the build tree too); made, not emptied.
std::filesystem::path ScratchFolder(const std::string& name);
// Names of the entries of a folder, sorted; empty when the folder does not exist.
std::vector<std::string> EntriesOf(const CXString& folder);
std::string ReadWholeFile(const CXString& path);
// A job stream of examples/jobs/.
std::string ExampleJob(const char* name);
// An XML file the filter wrote, read back with the companion's parser: the root element's name
// into `rootName`, and each child element's name and text in document order.
std::vector<std::pair<std::u16string, std::u16string>> XmlChildrenInOrder(const CXString& path,
                                                                          std::u16string& rootName);

class TestProgramData {
  public:
    TestProgramData();
    ~TestProgramData();
    TestProgramData(const TestProgramData&) = delete;
    TestProgramData& operator=(const TestProgramData&) = delete;

    CXString DefaultJobsRoot() const;
    void WriteSettings(const std::string& bytes) const;
    // A scratch folder of the test's own under the data folder, with a trailing backslash.
    CXString Scratch(const char* name) const;
    // The temporary copy of a print-ready file, as the pipeline names one in a property.
    CXString PrintReadyFile(const std::string& bytes) const;

  private:
    CXString folder;
    std::filesystem::path scratchRoot;
};
