// Page-level PostScript feature code.
#include "PostScriptPageLevelPDLHelper.h"

#include <algorithm>

#include "companion/Utilities/CPException.h"
#include "companion/Utilities/CPExceptionInvalidArgument.h"
#include "companion/Utilities/DebugUtilities.h"
#include "companion/Utilities/UtilitiesLibraryHost.h"

namespace {
using Text = std::basic_string<WCHAR>;

Text Wide(const char* ascii) {
    return Text(ascii, ascii + std::char_traits<char>::length(ascii));
}

bool IsMediaTypeName(const Text& value) {
    if (value.empty()) {
        return false;
    }
    for (const WCHAR c : value) {
        const bool allowed = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                             (c >= '0' && c <= '9') || c == '_' || c == '-';
        if (!allowed) {
            return false;
        }
    }
    return true;
}

bool IsDecimal(const Text& value) {
    return !value.empty() && value.size() <= 9 &&
           std::all_of(value.begin(), value.end(), [](WCHAR c) { return c >= '0' && c <= '9'; });
}
}  // namespace

PostScriptPageLevelPDLHelper::PostScriptPageLevelPDLHelper() = default;

PostScriptPageLevelPDLHelper::PostScriptPageLevelPDLHelper(const CPString& productPdlDataXml) {
    try {
        const auto parser = UtilitiesLibraryHost::CreateMicrosoftXmlParser("ProductPdlData", true);
        parser->LoadFromUtf8Text(productPdlDataXml);
        const auto root = parser->GetDocumentElement();
        if (!root || !(root->GetName() == CXString(WIDE("ProductPdlData")))) {
            DebugUtilities::reportErrorForLowLevelUtilities(
                "Product PDL data without its root element: %s", productPdlDataXml.utf8RawBytes());
            return;
        }
        for (const auto& feature : root->GetChildElements()) {
            const Text featureName = feature->GetAttribute(CXString(WIDE("name"))).str();
            for (const auto& option : feature->GetChildElements()) {
                productCode[{featureName, option->GetAttribute(CXString(WIDE("name"))).str()}] =
                    option->GetTextValue().str();
            }
        }
    } catch (const CPException& failure) {
        productCode.clear();
        DebugUtilities::reportErrorForLowLevelUtilities("Product PDL data cannot be read: %s",
                                                        failure.getMessage().c_str());
    }
}

PostScriptPageLevelPDLHelper::Setting PostScriptPageLevelPDLHelper::Split(const CXString& setting) {
    const Text& text = setting.str();
    const auto equals = text.find(WIDE('='));
    return equals == Text::npos ? Setting{text, Text()}
                                : Setting{text.substr(0, equals), text.substr(equals + 1)};
}

bool PostScriptPageLevelPDLHelper::BuiltInCode(const Setting& setting, Text& code) {
    const auto& [feature, option] = setting;
    if (feature == Wide("Duplex")) {
        if (option == Wide("OneSided")) {
            code = Wide("<< /Duplex false >> setpagedevice");
        } else if (option == Wide("TwoSidedLongEdge")) {
            code = Wide("<< /Duplex true /Tumble false >> setpagedevice");
        } else if (option == Wide("TwoSidedShortEdge")) {
            code = Wide("<< /Duplex true /Tumble true >> setpagedevice");
        } else {
            return false;
        }
        return true;
    }
    if (feature == Wide("MediaType") && IsMediaTypeName(option)) {
        code = Wide("<< /MediaType (") + option + Wide(") >> setpagedevice");
        return true;
    }
    if (feature == Wide("MediaPosition") && IsDecimal(option)) {
        code = Wide("<< /MediaPosition ") + option + Wide(" >> setpagedevice");
        return true;
    }
    if (feature == Wide("ColorMode") && (option == Wide("Monochrome") || option == Wide("Color"))) {
        code = option == Wide("Monochrome")
                   ? Wide("<< /ProcessColorModel /DeviceGray >> setpagedevice")
                   : Wide("<< /ProcessColorModel /DeviceCMYK >> setpagedevice");
        return true;
    }
    return false;
}

bool PostScriptPageLevelPDLHelper::ProductCode(const Setting& setting, Text& code) const {
    const auto found = productCode.find(setting);
    if (found == productCode.end()) {
        return false;
    }
    code = found->second;
    return true;
}

// Product code is as long as the product data makes it, and every setting of a page may name it
// again: without a bound one page could come to gigabytes, and every page of the job to the same.
void PostScriptPageLevelPDLHelper::AppendBlock(CXString& text, const Setting& setting,
                                               const Text& code) {
    const std::size_t block = setting.first.size() + setting.second.size() + code.size() + 32;
    if (static_cast<std::size_t>(text.GetLength()) + block > kMostCodePerPage) {
        throw CPExceptionInvalidArgument("The feature code of one page would come to more than " +
                                             std::to_string(kMostCodePerPage) +
                                             " characters: the page's settings or the "
                                             "product's PDL data are not a driver's.",
                                         ERROR_INVALID_DATA,
                                         CV_DEBUG_CONTEXT(kLibraryCategoryMask));
    }
    text += CXString(Wide("%%BeginFeature: *") + setting.first + Wide(" ") + setting.second +
                     Wide("\n") + code + Wide("\n%%EndFeature\n"));
}

CXString PostScriptPageLevelPDLHelper::GenerateQCPTBasedPageLevelPostScript(
    std::vector<CXString>& settings) const {
    CXString text;
    for (const CXString& each : settings) {
        const Setting setting = Split(each);
        Text code;
        if (BuiltInCode(setting, code)) {
            AppendBlock(text, setting, code);
        }
    }
    return text;
}

CXString PostScriptPageLevelPDLHelper::GeneratePDLFromProductData(
    std::vector<CXString>& settings) const {
    CXString text;
    for (const CXString& each : settings) {
        const Setting setting = Split(each);
        Text code;
        if (ProductCode(setting, code)) {
            AppendBlock(text, setting, code);
        }
    }
    return text;
}

CXString PostScriptPageLevelPDLHelper::GenerateQCPTAndProductSpecificPDLPageLevelPostScript(
    std::vector<CXString>& settings) const {
    CXString text;
    for (const CXString& each : settings) {
        const Setting setting = Split(each);
        Text code;
        if (ProductCode(setting, code) || BuiltInCode(setting, code)) {
            AppendBlock(text, setting, code);
        }
    }
    return text;
}
