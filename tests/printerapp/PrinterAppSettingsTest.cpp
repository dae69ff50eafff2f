// A printer's settings file of the printer application: read only when no other user may read
// it, and refused when it would send the printer another language or bring a job's own files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "host/printerapp/PrinterAppSettings.h"
#include "host/printerapp/PrinterAppSettingsPage.h"
#include "tests/support/TestFolders.h"

namespace {
namespace fs = std::filesystem;

class PrinterAppSettingsFile : public ::testing::Test {
  protected:
    // One folder per test, since CTest runs the tests of this fixture side by side and each
    // empties its folder first.
    const fs::path folder = ScratchFolder("printer-app-settings") /
                            ::testing::UnitTest::GetInstance()->current_test_info()->name();

    void SetUp() override {
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void Write(const std::string& name, const std::string& text, fs::perms permissions) {
        const fs::path path = PrinterAppSettings::FileOf(folder, name);
        std::ofstream(path) << text;
        fs::permissions(path, permissions);
    }
};

TEST_F(PrinterAppSettingsFile, APrinterNameBecomesAFileNameWithinTheFolder) {
    struct Case {
        const char* name;
        const char* file;
    } const cases[] = {{"ps", "ps.json"},
                       {"office_1", "office_1.json"},
                       {"office 1", "office%201.json"},
                       {"Floor 2/east", "Floor%202%2Feast.json"},
                       {"../secret", "%2E.%2Fsecret.json"},
                       {".hidden", "%2Ehidden.json"},
                       {"100%", "100%25.json"}};
    for (const Case& c : cases) {
        EXPECT_EQ(folder / c.file, PrinterAppSettings::FileOf(folder, c.name)) << c.name;
    }
}

TEST_F(PrinterAppSettingsFile, NoFileGivesTheDriversBagAndThePrintersName) {
    const PrinterAppSettings settings = PrinterAppSettings::Read(folder, "pxl", 7360, nullptr);
    ASSERT_TRUE(settings.base.driver.has_value());
    EXPECT_EQ(7360, settings.base.driver->pdl);
    EXPECT_EQ("pxl", settings.base.printer.name);
    EXPECT_TRUE(settings.base.properties.empty());
}

TEST_F(PrinterAppSettingsFile, APrivateFileGivesThePassPhraseAndTheDriversValues) {
    Write("secure",
          R"({ "driver": { "pdl": 7363, "requiresBothPjlAndQcpt": true },
               "properties": { "PDLEncryptionPassPhrase": "phrase" } })",
          fs::perms::owner_read | fs::perms::owner_write);
    const PrinterAppSettings settings = PrinterAppSettings::Read(folder, "secure", 7363, nullptr);
    EXPECT_TRUE(settings.base.driver->requiresBothPjlAndQcpt);
    ASSERT_EQ(1u, settings.base.properties.size());
    EXPECT_EQ("PDLEncryptionPassPhrase", settings.base.properties[0].first);
    EXPECT_EQ("secure", settings.base.printer.name);
}

TEST_F(PrinterAppSettingsFile, DriverValuesWithoutAPdlAreThePrintersDrivers) {
    Write("pxl", R"({ "driver": { "printStreamQFCICompliant": true } })",
          fs::perms::owner_read | fs::perms::owner_write);
    const PrinterAppSettings settings = PrinterAppSettings::Read(folder, "pxl", 7360, nullptr);
    EXPECT_EQ(7360, settings.base.driver->pdl);
    EXPECT_TRUE(settings.base.driver->printStreamQFCICompliant);
}

TEST_F(PrinterAppSettingsFile, AFileThatCannotBeTrustedOrUsedIsRefusedWithItsReason) {
    const auto privateFile = fs::perms::owner_read | fs::perms::owner_write;
    struct Case {
        const char* label;
        std::string text;
        fs::perms permissions;
        std::string reason;
    } const cases[] = {
        {"others may read it", "{}", privateFile | fs::perms::others_read, "others may access it"},
        {"another PDL", R"({ "driver": { "pdl": 7360 } })", privateFile,
         "says pdl 7360, but the printer's driver speaks 7363"},
        {"a job's input", R"({ "input": "job.ps" })", privateFile, "names an input"},
        {"not a job file", R"({ "passPhrase": "x" })", privateFile, "passPhrase"},
        {"an empty file", "", privateFile, "is empty"},
        {"a pass phrase that is a number", R"({ "properties": { "PDLEncryptionPassPhrase": 5 } })",
         privateFile, "its pass phrase is not a text"},
        {"an empty pass phrase", R"({ "properties": { "PDLEncryptionPassPhrase": "" } })",
         privateFile, "its pass phrase is not a text"},
        {"a pass phrase of blanks", R"({ "properties": { "PDLEncryptionPassPhrase": " \t" } })",
         privateFile, "its pass phrase is not a text"},
        {"a pass phrase of true", R"({ "properties": { "PDLEncryptionPassPhrase": true } })",
         privateFile, "its pass phrase is not a text"},
        {"a pass phrase given twice",
         R"({ "properties": { "PDLEncryptionPassPhrase": "a", "PDLEncryptionPassPhrase": "b" } })",
         privateFile, "given twice"},
        {"a second, empty properties",
         R"({ "properties": { "PDLEncryptionPassPhrase": "a" }, "properties": {} })", privateFile,
         "given twice"},
        {"a job's print-ready file",
         R"({ "properties": {
               "XPS_FP_FILESPEC_FOR_TEMP_COPY_OF_PRINT_READY_FILE_PASSED_IN_XPS_WRAPPER": "/x" } })",
         privateFile, "which each job brings itself"},
        {"a job's page features",
         R"({ "properties": { "PAGE_LEVEL_FEATURES_DELTA_FOR_PAGE_1": "Duplex=None" } })",
         privateFile, "which each job brings itself"},
        {"a job of its own", R"({ "job": { "userName": "mallory" } })", privateFile,
         "a job's own settings"},
        {"a file one byte over the limit", std::string(16u << 20, ' ') + " ", privateFile,
         "is larger than 16777216 bytes"},
    };
    for (const Case& c : cases) {
        Write("ps", c.text, c.permissions);
        try {
            PrinterAppSettings::Read(folder, "ps", 7363, nullptr);
            ADD_FAILURE() << c.label << ": read";
        } catch (const PrinterAppSettingsError& error) {
            EXPECT_NE(std::string::npos, std::string(error.what()).find(c.reason))
                << c.label << ": " << error.what();
        }
    }
}

TEST_F(PrinterAppSettingsFile, AFileOfTheLimitsSizeIsReadWhole) {
    const std::string settings = R"({ "properties": { "PDLEncryptionPassPhrase": "secret" } })";
    Write("ps", settings + std::string((16u << 20) - settings.size(), ' '),
          fs::perms::owner_read | fs::perms::owner_write);
    const PrinterAppSettings read = PrinterAppSettings::Read(folder, "ps", 7363, nullptr);
    ASSERT_EQ(1u, read.base.properties.size());
    EXPECT_EQ("PDLEncryptionPassPhrase", read.base.properties.front().first);
}

TEST_F(PrinterAppSettingsFile, AFileThatIsNotJsonIsRefusedWithoutQuotingItsPassPhrase) {
    Write("ps", "{ \"properties\": { \"PDLEncryptionPassPhrase\": \"top secret\r\" } }",
          fs::perms::owner_read | fs::perms::owner_write);
    try {
        PrinterAppSettings::Read(folder, "ps", 7363, nullptr);
        ADD_FAILURE() << "read";
    } catch (const PrinterAppSettingsError& error) {
        const std::string message = error.what();
        EXPECT_NE(std::string::npos, message.find("column")) << message;
        EXPECT_EQ(std::string::npos, message.find("secret")) << message;
    }
}
}  // namespace

namespace {
TEST(PrinterAppSettingsPage, ThePageShowsEverySettingButThePassPhrasesValue) {
    const JobFile base = JobFile::Parse(
        R"({ "driver": { "pdl": 7360, "requiresBothPjlAndQcpt": true },
             "properties": { "PDLEncryptionPassPhrase": "top secret",
                             "Corvo_PjlToInsert": "@PJL SET HOLD=ON" },
             "printer": { "printerData": { "UseCorvoAtrium": 1 } },
             "programData": "/var/lib/atrium" })",
        "/");
    const auto rows = PrinterAppSettingsPage::Rows(base);
    const std::map<std::string, std::string> shown(rows.begin(), rows.end());
    struct Expected {
        const char* label;
        const char* value;
    } const expected[] = {
        {"PDL", "7360"},
        {"Requires both PJL and QCPT", "yes"},
        {"Corvo_PjlToInsert", "\"@PJL SET HOLD=ON\""},
        {"Pass phrase", "set: jobs are encrypted"},
        {"Printer data UseCorvoAtrium", "1"},
        {"Program data folder", "/var/lib/atrium"},
    };
    for (const Expected& e : expected) {
        ASSERT_EQ(1u, shown.count(e.label)) << e.label;
        EXPECT_EQ(e.value, shown.at(e.label)) << e.label;
    }
    for (const auto& [label, value] : rows) {
        EXPECT_EQ(std::string::npos, (label + value).find("top secret")) << label;
    }
    EXPECT_EQ("not set", PrinterAppSettingsPage::Rows(JobFile{}).back().second);
}
}  // namespace
