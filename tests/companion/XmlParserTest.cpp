// The companion's XML parser on either library: untrusted input (DTDs, entities, broken markup,
// nesting deeper than any stack) refused or searched without recursion. Documents in and out are
// the Atrium tests'.
#include <gtest/gtest.h>

#include <string>

#include "companion/FilterUtilities/MsSafeCoInit.h"
#include "companion/Utilities/CPException.h"
#include "companion/Utilities/UtilitiesLibraryHost.h"
#include "tests/support/WideText.h"

namespace {
class XmlParser : public ::testing::Test {
  protected:
    std::unique_ptr<CorvoXmlParser> Load(const std::string& text) {
        auto parser = UtilitiesLibraryHost::CreateMicrosoftXmlParser("test", false);
        parser->LoadFromBytes(reinterpret_cast<const BYTE*>(text.data()),
                              static_cast<DWORD>(text.size()));
        return parser;
    }
    const MsSafeCoInit com;
};

// A settings file of any shape must not crash the spooler: pugixml takes any depth and the search
// walks it without recursion; MSXML refuses nesting beyond its own limit as not well-formed.
TEST_F(XmlParser, DeepNestingIsSearchedOrRefusedButNeverExhaustsTheStack) {
    constexpr int kDepth = 100000;
    std::string text;
    for (int i = 0; i < kDepth; ++i) {
        text += "<E>";
    }
    text += "<RootFolder>deep</RootFolder>";
    for (int i = 0; i < kDepth; ++i) {
        text += "</E>";
    }
#if defined(_WIN32)
    EXPECT_THROW(Load(text), CPException);
#else
    const auto parser = Load(text);
    const auto root = parser->GetDocumentElement();
    const auto found = root->FindNamedChildElementNodeRecursive(CXString(WIDE("RootFolder")), 0);
    ASSERT_NE(nullptr, found);
    EXPECT_EQ(u"deep", Utf16(found->GetTextValue()));
    EXPECT_EQ(u"deep", Utf16(root->GetTextValue()));
    EXPECT_EQ(nullptr, root->FindNamedChildElementNodeRecursive(CXString(WIDE("Missing")), 0));
    EXPECT_EQ(nullptr, root->FindNamedChildElementNodeRecursive(CXString(WIDE("RootFolder")), 3))
        << "a bounded search stops at its depth";
#endif
}

TEST_F(XmlParser, RefusesBrokenMarkupAndDocumentTypeDeclarations) {
    struct Case {
        const char* label;
        std::string text;
    };
    const Case cases[] = {
        {"not XML", "RootFolder=C:\\Jobs"},
        {"unclosed element", "<A><B></A>"},
        {"internal entity", "<!DOCTYPE A [<!ENTITY e \"x\">]><A>&e;</A>"},
        {"external entity", "<!DOCTYPE A [<!ENTITY e SYSTEM \"file:///etc/hostname\">]><A>&e;</A>"},
        {"billion laughs",
         "<!DOCTYPE A [<!ENTITY a \"aaaa\"><!ENTITY b \"&a;&a;&a;&a;\">]><A>&b;</A>"},
    };
    for (const Case& c : cases) {
        EXPECT_THROW(Load(c.text), CPException) << c.label;
    }
}
}  // namespace
