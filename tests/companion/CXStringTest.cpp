// UTF-16 text: Format padding as the job folder names need it and refusing what does not match,
// Tokenize as the page features use it, and narrow text read in the ANSI code page.
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

// A GUID's fields never all need padding, so the Atrium folder names cannot be relied on for it.
TEST(CXString, FormatPadsWithZerosOrSpacesOnEitherSide) {
    CXString s;
    s.Format(WIDE("{%08X-%04x|%-4d|%5s|%03d}"), 0xAu, 0xBu, 7, WIDE("ab"), -5);
    EXPECT_EQ(u"{0000000A-000b|7   |   ab|-05}", Text(s));
}

// Windows-1252 differs from Latin-1 in 0x80 to 0x9F: both ends of that range and the byte past it.
TEST(CXString, NarrowTextIsReadAsWindows1252) {
    EXPECT_EQ(u"\u20ac \u0178 \u00a0", Text(CXString("\x80 \x9f \xa0")));
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
        {"a width past 4096", [](CXString& s) { s.Format(WIDE("%4097d"), 3); }},
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
}  // namespace
