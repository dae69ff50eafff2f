// The keywords are read with libcups's PPD reader, so every PPD syntax CUPS accepts is accepted.
#include "host/cups/CupsPrinterSettings.h"

#include <cups/ppd.h>

#include <charconv>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

#include "companion/FilterUtilities/PostScriptPageLevelPDLHelper.h"
#include "companion/Utilities/CPString.h"
#include "companion/Utilities/CXString.h"
#include "host/job/HostFiles.h"
#include "host/job/TextConversion.h"

// CUPS 2.x marks its PPD reader deprecated in favour of driverless printing, yet a driver queue is
// still a PPD and cupsd hands a filter its path; the reader is the one cupsd itself uses.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace {
struct PpdClose {
    void operator()(ppd_file_t* ppd) const { ppdClose(ppd); }
};
using Ppd = std::unique_ptr<ppd_file_t, PpdClose>;

class Keywords {
  public:
    Keywords(ppd_file_t* ppd, std::filesystem::path path) : ppd(ppd), path(std::move(path)) {}

    std::optional<std::string> Text(const char* keyword) const {
        const ppd_attr_t* attribute = ppdFindAttr(ppd, keyword, nullptr);
        if (attribute == nullptr || attribute->value == nullptr) {
            return std::nullopt;
        }
        return std::string(attribute->value);
    }
    bool Flag(const char* keyword) const {
        const auto text = Text(keyword);
        if (!text || *text == "False" || *text == "false") {
            return false;
        }
        if (*text == "True" || *text == "true") {
            return true;
        }
        Fail(keyword, "expected True or False, found \"" + *text + "\"");
    }
    std::optional<std::int32_t> Number(const char* keyword) const {
        const auto text = Text(keyword);
        if (!text) {
            return std::nullopt;
        }
        std::int32_t value = 0;
        const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
        if (error != std::errc() || end != text->data() + text->size()) {
            Fail(keyword, "expected a whole number, found \"" + *text + "\"");
        }
        return value;
    }
    std::optional<std::filesystem::path> Place(const char* keyword) const {
        const auto text = Text(keyword);
        if (!text) {
            return std::nullopt;
        }
        if (text->empty()) {
            Fail(keyword, "names no file or folder");
        }
        return (path.parent_path() / *text).lexically_normal();
    }
    [[noreturn]] void Fail(const char* keyword, const std::string& why) const {
        throw CupsSettingsError("the PPD " + path.string() + ": *" + keyword + " " + why);
    }

  private:
    ppd_file_t* ppd;
    std::filesystem::path path;
};

std::map<std::string, std::string> MarkedDefaults(ppd_file_t* ppd) {
    ppdMarkDefaults(ppd);
    std::map<std::string, std::string> defaults;
    for (ppd_option_t* option = ppdFirstOption(ppd); option != nullptr;
         option = ppdNextOption(ppd)) {
        if (const ppd_choice_t* choice = ppdFindMarkedChoice(ppd, option->keyword)) {
            defaults[option->keyword] = choice->choice;
        }
    }
    return defaults;
}
}  // namespace

CupsPrinterSettings CupsPrinterSettings::Read(const std::filesystem::path& path) {
    const Ppd ppd(ppdOpenFile(path.c_str()));
    if (!ppd) {
        int line = 0;
        const ppd_status_t status = ppdLastError(&line);
        throw CupsSettingsError("the PPD " + path.string() + " cannot be read: " +
                                ppdErrorString(status) + " (line " + std::to_string(line) + ")");
    }
    const Keywords keywords(ppd.get(), path);
    CupsPrinterSettings settings;
    JobFile::Driver& driver = settings.driver;
    driver.pdl = keywords.Number("cvPDL").value_or(driver.pdl);
    driver.printStreamQFCICompliant = keywords.Flag("cvPrintStreamQFCICompliant");
    driver.fullQpifSupported = keywords.Flag("cvFullQpifSupported");
    driver.requiresGreenSeparatorPageFixUp = keywords.Flag("cvRequiresGreenSeparatorPageFixUp");
    driver.requiresBothPjlAndQcpt = keywords.Flag("cvRequiresBothPjlAndQcpt");
    driver.controllerFamily = keywords.Number("cvControllerFamily").value_or(0);
    driver.productPdlDataXml = keywords.Text("cvProductPdlDataXml").value_or("");
    if (const auto file = keywords.Place("cvProductPdlDataXmlFile")) {
        if (!driver.productPdlDataXml.empty()) {
            keywords.Fail("cvProductPdlDataXmlFile", "and *cvProductPdlDataXml are both given");
        }
        driver.productPdlDataXml =
            HostFiles::ReadBounded(*file, HostFiles::kJobFileLimit, "product PDL data file");
    }
    driver.extensionPackageFolder = path.parent_path().string();
    settings.passPhraseFile = keywords.Place("cvPassPhraseFile");
    settings.atriumProgramData = keywords.Place("cvAtriumProgramData");
    settings.defaults = MarkedDefaults(ppd.get());
    return settings;
}

std::vector<std::string> CupsPrinterSettings::SettingsWithoutProductCode(
    const std::string& pageFeatures) const {
    std::vector<std::string> without;
    if (driver.productPdlDataXml.empty() || pageFeatures.empty()) {
        return without;
    }
    const PostScriptPageLevelPDLHelper generator(CPString(driver.productPdlDataXml));
    std::istringstream settings(pageFeatures);
    for (std::string setting; std::getline(settings, setting, ':');) {
        std::vector<CXString> one{CXString(TextConversion::FromUtf8(setting))};
        const CXString code =
            driver.requiresBothPjlAndQcpt
                ? generator.GenerateQCPTAndProductSpecificPDLPageLevelPostScript(one)
                : generator.GeneratePDLFromProductData(one);
        if (code.IsBlank()) {
            without.push_back(setting);
        }
    }
    return without;
}
