// The page-level generators: built-in QCPT code, the product's own code, and both together.
#include <gtest/gtest.h>

#include "companion/FilterUtilities/MsSafeCoInit.h"
#include "companion/FilterUtilities/PostScriptPageLevelPDLHelper.h"
#include "companion/Utilities/CPExceptionInvalidArgument.h"
#include "tests/support/WideText.h"

namespace {
std::vector<CXString> Settings(std::initializer_list<const char16_t*> texts) {
    std::vector<CXString> settings;
    for (const char16_t* text : texts) {
        settings.push_back(WideString(text));
    }
    return settings;
}

std::string Block(const std::string& feature, const std::string& option, const std::string& code) {
    return "%%BeginFeature: *" + feature + " " + option + "\n" + code + "\n%%EndFeature\n";
}

std::string Narrow(const CXString& text) {
    return CPString(text).str();
}

const CPString kProductData(
    "<ProductPdlData><Feature name=\"Duplex\"><Option name=\"TwoSidedLongEdge\"><![CDATA[1 dict "
    "dup /Duplex true put setpagedevice]]></Option></Feature>"
    "<Feature name=\"Staple\"><Option name=\"TopLeft\">(staple) "
    "pop</Option></Feature></ProductPdlData>");

TEST(PageLevelGenerators, TheBuiltInCodeKnowsTheQcptFeatures) {
    const MsSafeCoInit com;
    const PostScriptPageLevelPDLHelper generator;
    auto settings =
        Settings({u"Duplex=TwoSidedShortEdge", u"MediaType=Plain_A4", u"MediaPosition=3",
                  u"ColorMode=Monochrome", u"Unknown=1", u"MediaType=bad)(", u"Duplex"});
    EXPECT_EQ(
        Block("Duplex", "TwoSidedShortEdge", "<< /Duplex true /Tumble true >> setpagedevice") +
            Block("MediaType", "Plain_A4", "<< /MediaType (Plain_A4) >> setpagedevice") +
            Block("MediaPosition", "3", "<< /MediaPosition 3 >> setpagedevice") +
            Block("ColorMode", "Monochrome", "<< /ProcessColorModel /DeviceGray >> setpagedevice"),
        Narrow(generator.GenerateQCPTBasedPageLevelPostScript(settings)));
}

TEST(PageLevelGenerators, ProductDataGivesItsOwnCodeAndTheCombinationPrefersIt) {
    const MsSafeCoInit com;
    const PostScriptPageLevelPDLHelper generator(kProductData);
    auto settings = Settings({u"Duplex=TwoSidedLongEdge", u"Staple=TopLeft", u"ColorMode=Color"});
    EXPECT_EQ(Block("Duplex", "TwoSidedLongEdge", "1 dict dup /Duplex true put setpagedevice") +
                  Block("Staple", "TopLeft", "(staple) pop"),
              Narrow(generator.GeneratePDLFromProductData(settings)));
    EXPECT_EQ(Block("Duplex", "TwoSidedLongEdge", "1 dict dup /Duplex true put setpagedevice") +
                  Block("Staple", "TopLeft", "(staple) pop") +
                  Block("ColorMode", "Color", "<< /ProcessColorModel /DeviceCMYK >> setpagedevice"),
              Narrow(generator.GenerateQCPTAndProductSpecificPDLPageLevelPostScript(settings)));
}

// A page's settings may name one product option many times: its code must not multiply without
// bound. The most settings a job file gives a page, each of the built-in code, still fit.
TEST(PageLevelGenerators, OnePagesCodeHasABound) {
    const MsSafeCoInit com;
    const std::string longCode(2048, 'x');
    const PostScriptPageLevelPDLHelper generator(
        CPString("<ProductPdlData><Feature name=\"Staple\"><Option name=\"TopLeft\">" + longCode +
                 "</Option></Feature></ProductPdlData>"));
    std::vector<CXString> many(1024, CXString(WIDE("Staple=TopLeft")));
    EXPECT_THROW(generator.GeneratePDLFromProductData(many), CPExceptionInvalidArgument);
    EXPECT_THROW(generator.GenerateQCPTAndProductSpecificPDLPageLevelPostScript(many),
                 CPExceptionInvalidArgument);
    std::vector<CXString> fewer(400, CXString(WIDE("Staple=TopLeft")));
    EXPECT_EQ(400u * Block("Staple", "TopLeft", longCode).size(),
              Narrow(generator.GeneratePDLFromProductData(fewer)).size());
    std::vector<CXString> builtIn(1024, CXString(WIDE("Duplex=TwoSidedShortEdge")));
    EXPECT_EQ(1024u * Block("Duplex", "TwoSidedShortEdge",
                            "<< /Duplex true /Tumble true >> setpagedevice")
                          .size(),
              Narrow(PostScriptPageLevelPDLHelper().GenerateQCPTBasedPageLevelPostScript(builtIn))
                  .size());
}

TEST(PageLevelGenerators, MalformedProductDataKnowsNothing) {
    const MsSafeCoInit com;
    testing::internal::CaptureStderr();
    const PostScriptPageLevelPDLHelper generator(CPString("<ProductPdlData><Feature"));
    EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find("Product PDL data"));
    auto settings = Settings({u"Staple=TopLeft"});
    EXPECT_EQ("", Narrow(generator.GeneratePDLFromProductData(settings)));
}
}  // namespace
