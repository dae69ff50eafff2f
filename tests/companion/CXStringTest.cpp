// UTF-16 text: Format, Tokenize, Find, Left, IsBlank and buffer access as the filter uses them.
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
        {"negative", format(WIDE("%d"), -2147483647 - 1), u"-2147483648"},
        {"long and unsigned", format(WIDE("%ld %lu %u"), 7L, 4294967295u, 0u), u"7 4294967295 0"},
        {"64-bit", format(WIDE("%lld %I64u"), -9223372036854775807LL - 1, 18446744073709551615ULL),
         u"-9223372036854775808 18446744073709551615"},
        {"hex", format(WIDE("%x %X"), 255, 255), u"ff FF"},
        {"texts", format(WIDE("%s%s\\"), root, WIDE("Jobs")), u"C:\\ProgramData\\Jobs\\"},
        {"percent", format(WIDE("100%% done")), u"100% done"},
        {"zero-padded hex", format(WIDE("{%08X-%04X-%02X}"), 0xABCu, 0x1Fu, 7),
         u"{00000ABC-001F-07}"},
        {"widths", format(WIDE("[%5d|%-4d|%03d]"), 3, 7, -5), u"[    3|7   |-05]"},
        {"width of a text", format(WIDE("[%6s]"), WIDE("ab")), u"[    ab]"},
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

TEST(CXString, FindAnswersMinusOneWhenAbsent) {
    const CXString name(WIDE("CORP\\alice"));
    struct Case {
        const char* label;
        int actual;
        int expected;
    };
    const Case cases[] = {
        {"character", name.Find(u'\\'), 4},
        {"character from a start", name.Find(u'a', 6), -1},
        {"absent character", name.Find(u'/'), -1},
        {"text", name.Find(WIDE("alice")), 5},
        {"absent text", name.Find(WIDE("bob")), -1},
        {"empty text at start", name.Find(WIDE("")), 0},
        {"start beyond the end", name.Find(WIDE("a"), 40), -1},
        {"negative start", name.Find(u'C', -1), -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, c.actual) << c.label;
    }
}

TEST(CXString, LeftClampsItsCount) {
    const CXString name(WIDE("CORP\\alice"));
    EXPECT_EQ(u"CORP", Text(name.Left(4)));
    EXPECT_EQ(u"", Text(name.Left(0)));
    EXPECT_EQ(u"", Text(name.Left(-3)));
    EXPECT_EQ(u"CORP\\alice", Text(name.Left(99)));
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

TEST(CXString, ReleaseBufferEndsTheTextAtItsTerminator) {
    CXString name;
    WCHAR* buffer = name.GetBufferSetLength(261);
    const char16_t written[] = u"CORP\\alice";
    std::copy(std::begin(written), std::end(written), buffer);
    name.ReleaseBuffer(-1);
    EXPECT_EQ(10, name.GetLength());
    EXPECT_EQ(u"CORP\\alice", Text(name));
    name.GetBufferSetLength(20);
    name.ReleaseBuffer(4);
    EXPECT_EQ(u"CORP", Text(name));
    EXPECT_THROW(name.GetBufferSetLength(-1), CPExceptionInvalidArgument);
}

TEST(CXString, NarrowTextIsReadInTheAnsiCodePage) {
    EXPECT_EQ(u"\u20ac 5 \u00e9", Text(CXString("\x80 5 \xe9")));
    EXPECT_EQ(u"", Text(CXString(static_cast<const char*>(nullptr))));
    EXPECT_EQ(u"", Text(CXString(static_cast<const WCHAR*>(nullptr))));
}
}  // namespace
