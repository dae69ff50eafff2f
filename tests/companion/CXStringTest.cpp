// UTF-16 text: Format, Tokenize and IsBlank as the filter uses them.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "companion/Utilities/CPExceptionInvalidArgument.h"
#include "companion/Utilities/CXString.h"
#include "tests/support/WideText.h"

namespace {
std::u16string Text(const CXString& s) {
    return Utf16(s);
}

TEST(CXString, FormatFillsInIntegersAndTexts) {
    const CXString root(WIDE("C:\\ProgramData\\"));
    struct Case {
        const char* label;
        CXString result;
        std::u16string expected;
    };
    auto format = [](auto... args) {
        CXString s;
        s.Format(args...);
        return s;
    };
    const Case cases[] = {
        {"page property name", format(WIDE("PAGE_LEVEL_FEATURES_DELTA_FOR_PAGE_%d"), 12),
         u"PAGE_LEVEL_FEATURES_DELTA_FOR_PAGE_12"},
        {"unsigned, as the Atrium sizes", format(WIDE("%u"), 4294967295u), u"4294967295"},
        {"texts", format(WIDE("%s%s\\"), root, WIDE("Jobs")), u"C:\\ProgramData\\Jobs\\"},
        {"zero-padded hex, as a job folder's name",
         format(WIDE("{%08X-%04X-%02X}"), 0xABCu, 0x1Fu, 7), u"{00000ABC-001F-07}"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, Text(c.result)) << c.label;
    }
}

TEST(CXString, FormatRefusesFormatsThatDoNotMatchTheirArguments) {
    struct Case {
        const char* label;
        std::function<void(CXString&)> call;
    };
    const Case cases[] = {
        {"missing argument", [](CXString& s) { s.Format(WIDE("%d %d"), 1); }},
        {"surplus argument", [](CXString& s) { s.Format(WIDE("%d"), 1, 2); }},
        {"text for %d", [](CXString& s) { s.Format(WIDE("%d"), WIDE("x")); }},
        {"integer for %s", [](CXString& s) { s.Format(WIDE("%s"), 3); }},
        {"unknown conversion", [](CXString& s) { s.Format(WIDE("%q"), 3); }},
        {"dangling percent", [](CXString& s) { s.Format(WIDE("50%")); }},
        {"precisions are not served", [](CXString& s) { s.Format(WIDE("%.3d"), 3); }},
        {"width beyond reason", [](CXString& s) { s.Format(WIDE("%99999d"), 3); }},
    };
    for (const Case& c : cases) {
        CXString s(WIDE("before"));
        EXPECT_THROW(c.call(s), CPExceptionInvalidArgument) << c.label;
        EXPECT_EQ(u"before", Text(s)) << c.label << ": a refused format leaves the text alone";
    }
}

TEST(CXString, TokenizeSplitsAtEveryDelimiterAndDropsEmptyTokens) {
    const CXString settings(WIDE("::Duplex=TwoSidedLongEdge::MediaType=Plain:"));
    std::vector<std::u16string> tokens;
    int position = 0;
    for (CXString token = settings.Tokenize(WIDE(":"), position); position != -1;
         token = settings.Tokenize(WIDE(":"), position)) {
        tokens.push_back(Text(token));
    }
    EXPECT_EQ((std::vector<std::u16string>{u"Duplex=TwoSidedLongEdge", u"MediaType=Plain"}),
              tokens);
    int start = 0;
    EXPECT_TRUE(CXString(WIDE(":::")).Tokenize(WIDE(":"), start).IsEmpty());
    EXPECT_EQ(-1, start);
    start = 5;
    EXPECT_TRUE(CXString(WIDE("ab")).Tokenize(WIDE(":"), start).IsEmpty());
    EXPECT_EQ(-1, start) << "a start beyond the text ends the walk";
}

TEST(CXString, IsBlankMeansEmptyOrWhiteSpaceOnly) {
    struct Case {
        const char* label;
        CXString text;
        bool expected;
    };
    const Case cases[] = {
        {"empty", CXString(), true},
        {"ASCII white space", CXString(WIDE(" \t\r\n\v\f")), true},
        {"no-break and ideographic space", CXString(WIDE("\u00a0\u3000")), true},
        {"text", CXString(WIDE("  x ")), false},
        {"U+0000 is not white space", WideString(std::u16string(1, u'\0')), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, c.text.IsBlank()) << c.label;
    }
}

}  // namespace
