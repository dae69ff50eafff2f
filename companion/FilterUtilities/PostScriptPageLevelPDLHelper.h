// Turns a page's feature settings ("Feature=Option") into PostScript feature blocks: from the
// built-in code of the QCPT features, from the product's own PDL data, or from both (the product's
// code where it knows a setting). Settings a generator does not know give nothing.
#pragma once

#include <cstddef>
#include <map>
#include <utility>
#include <vector>

#include "companion/Utilities/CPString.h"
#include "companion/Utilities/CXString.h"

class PostScriptPageLevelPDLHelper {
  public:
    // The most characters of feature code one page gets; a generator that would give more throws
    // CPExceptionInvalidArgument.
    static constexpr std::size_t kMostCodePerPage = 1u << 20;

    PostScriptPageLevelPDLHelper();
    // `productPdlDataXml`: <ProductPdlData><Feature name="F"><Option name="O">CODE</Option>...
    // </Feature>...</ProductPdlData>. Data that cannot be read leaves the product code empty, and
    // the library's diagnostics say so.
    explicit PostScriptPageLevelPDLHelper(const CPString& productPdlDataXml);

    CXString GenerateQCPTBasedPageLevelPostScript(std::vector<CXString>& settings) const;
    CXString GeneratePDLFromProductData(std::vector<CXString>& settings) const;
    CXString GenerateQCPTAndProductSpecificPDLPageLevelPostScript(
        std::vector<CXString>& settings) const;

  private:
    using Setting = std::pair<std::basic_string<WCHAR>, std::basic_string<WCHAR>>;

    static Setting Split(const CXString& setting);
    static bool BuiltInCode(const Setting& setting, std::basic_string<WCHAR>& code);
    bool ProductCode(const Setting& setting, std::basic_string<WCHAR>& code) const;
    static void AppendBlock(CXString& text, const Setting& setting,
                            const std::basic_string<WCHAR>& code);

    std::map<Setting, std::basic_string<WCHAR>> productCode;
};
