// A queue's PPD as the filter's driver settings: the keywords of our own, their defaults, files
// beside the PPD, and a value of the wrong kind refused naming its keyword.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "host/cups/CupsPrinterSettings.h"
#include "tests/support/TestFolders.h"

namespace {
const std::string kPpdStart =
    "*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n*FileVersion: \"1.0\"\n"
    "*LanguageVersion: English\n*LanguageEncoding: ISOLatin1\n*PCFileName: \"T.PPD\"\n"
    "*Manufacturer: \"Corvo\"\n*Product: \"(T)\"\n*ModelName: \"T\"\n*ShortNickName: \"T\"\n"
    "*NickName: \"T\"\n";

class CupsPrinterSettingsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder = ScratchFolder("cv-ppd") / ("cv-ppd-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    std::filesystem::path Ppd(const std::string& keywords) const {
        std::ofstream(folder / "queue.ppd") << kPpdStart << keywords;
        return folder / "queue.ppd";
    }
    std::filesystem::path folder;
};

TEST_F(CupsPrinterSettingsTest, TheKeywordsGiveTheDriversValuesAndFilesBesideThePpd) {
    std::ofstream(folder / "product.xml") << "<ProductPdlData/>";
    const CupsPrinterSettings settings = CupsPrinterSettings::Read(
        Ppd("*cvPDL: \"7360\"\n*cvPrintStreamQFCICompliant: True\n*cvFullQpifSupported: False\n"
            "*cvRequiresBothPjlAndQcpt: \"True\"\n*cvControllerFamily: \"8430\"\n"
            "*cvProductPdlDataXmlFile: \"product.xml\"\n*cvPassPhraseFile: \"secret/phrase\"\n"
            "*cvAtriumProgramData: \"/srv/atrium\"\n"));
    EXPECT_EQ(7360, settings.driver.pdl);
    EXPECT_TRUE(settings.driver.printStreamQFCICompliant);
    EXPECT_FALSE(settings.driver.fullQpifSupported);
    EXPECT_FALSE(settings.driver.requiresGreenSeparatorPageFixUp) << "absent";
    EXPECT_TRUE(settings.driver.requiresBothPjlAndQcpt);
    EXPECT_EQ(8430, settings.driver.controllerFamily);
    EXPECT_EQ("<ProductPdlData/>", settings.driver.productPdlDataXml);
    EXPECT_EQ(folder.string(), settings.driver.extensionPackageFolder) << "the PPD's folder";
    EXPECT_EQ(folder / "secret/phrase", settings.passPhraseFile.value_or("(none)"));
    EXPECT_EQ(std::filesystem::path("/srv/atrium"), settings.atriumProgramData.value_or("(none)"));

    const CupsPrinterSettings none = CupsPrinterSettings::Read(Ppd(""));
    EXPECT_EQ(5001, none.driver.pdl);
    EXPECT_FALSE(none.passPhraseFile.has_value());
    EXPECT_FALSE(none.atriumProgramData.has_value());
}

TEST_F(CupsPrinterSettingsTest, AValueOfTheWrongKindIsRefusedNamingItsKeyword) {
    struct Case {
        std::string keywords;
        std::string keyword;
    };
    const Case cases[] = {
        {"*cvPDL: \"PostScript\"\n", "*cvPDL"},
        {"*cvControllerFamily: \"84 30\"\n", "*cvControllerFamily"},
        {"*cvFullQpifSupported: Maybe\n", "*cvFullQpifSupported"},
        {"*cvPassPhraseFile: \"\"\n", "*cvPassPhraseFile"},
        {"*cvProductPdlDataXml: \"<P/>\"\n*cvProductPdlDataXmlFile: \"p.xml\"\n",
         "*cvProductPdlDataXmlFile"},
    };
    for (const Case& c : cases) {
        try {
            CupsPrinterSettings::Read(Ppd(c.keywords));
            ADD_FAILURE() << c.keywords << "was taken";
        } catch (const CupsSettingsError& error) {
            EXPECT_NE(std::string::npos, std::string(error.what()).find(c.keyword + " "))
                << error.what();
        }
    }
}
}  // namespace
