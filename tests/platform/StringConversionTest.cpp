// Code page conversions of the stand-in layer at the edges the filter meets: Windows-1252's holes,
// surrogates and U+0000 on the way into a print stream, ill-formed UTF-8 on the way in, and the
// buffer-size contract.
#include <gtest/gtest.h>

#include <string>

#include "seam/Win32Seam.h"

namespace {
std::string ToCodePage(UINT codePage, const std::u16string& text, BOOL* usedDefault = nullptr) {
    const int length = static_cast<int>(text.size());
    const int needed =
        WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, usedDefault);
    std::string out(static_cast<std::size_t>(needed), '\0');
    EXPECT_EQ(needed, WideCharToMultiByte(codePage, 0, text.data(), length, out.data(), needed,
                                          nullptr, usedDefault));
    return out;
}

std::u16string FromUtf8(const std::string& bytes) {
    const int length = static_cast<int>(bytes.size());
    const int needed = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), length, nullptr, 0);
    std::u16string out(static_cast<std::size_t>(needed), u'\0');
    if (needed > 0) {
        MultiByteToWideChar(CP_UTF8, 0, bytes.data(), length, out.data(), needed);
    }
    return out;
}

TEST(StringConversion, WideTextBecomesWindows1252WithAQuestionMarkPerUnitItLacks) {
    struct Case {
        const char* label;
        std::u16string text;
        std::string expected;
        BOOL substituted;
    };
    const Case cases[] = {
        {"ESC and U+0000 pass as bytes",
         std::u16string(u"\x1b"
                        u"A\0B",
                        4),
         std::string("\x1b"
                     "A\0B",
                     4),
         FALSE},
        {"euro sign and curly quotes", u"\u20ac\u201c\u201d", "\x80\x93\x94", FALSE},
        {"undefined byte values map to their C1 control", u"\u0081\u008d", "\x81\x8d", FALSE},
        {"Cyrillic is missing", u"\u0416", "?", TRUE},
        {"each half of a surrogate pair is a character", u"a\U0001F600b", "a??b", TRUE},
        {"a lone high surrogate at the end", u"x\xdbff", "x?", TRUE},
    };
    for (const Case& c : cases) {
        BOOL substituted = 2;
        EXPECT_EQ(c.expected, ToCodePage(CP_ACP, c.text, &substituted)) << c.label;
        EXPECT_EQ(c.substituted, substituted) << c.label;
    }
}

TEST(StringConversion, Utf8BothWaysWithOneReplacementPerBadPart) {
    enum Direction { kBoth, kToUtf8, kFromUtf8 };
    struct Case {
        const char* label;
        std::u16string wide;
        std::string utf8;
        Direction direction;
    };
    const Case cases[] = {
        {"every length of sequence", u"a\u00e9\u20ac\U0001F600",
         "a\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80", kBoth},
        {"U+0000", std::u16string(u"a\0b", 3), std::string("a\0b", 3), kBoth},
        {"a lone surrogate becomes U+FFFD",
         u"\xd83d"
         u"a",
         "\xef\xbf\xbd"
         "a",
         kToUtf8},
        {"a lone continuation byte",
         u"a\ufffd"
         u"b",
         "a\x80"
         "b",
         kFromUtf8},
        {"an overlong form", u"\ufffd\ufffd", "\xc0\xaf", kFromUtf8},
        {"a truncated sequence",
         u"\ufffd"
         u"A",
         "\xe2\x82"
         "A",
         kFromUtf8},
    };
    for (const Case& c : cases) {
        if (c.direction != kFromUtf8) {
            EXPECT_EQ(c.utf8, ToCodePage(CP_UTF8, c.wide)) << c.label;
        }
        if (c.direction != kToUtf8) {
            EXPECT_EQ(c.wide, FromUtf8(c.utf8)) << c.label;
        }
    }
}

TEST(StringConversion, BufferSizesFollowTheWindowsContract) {
    const char16_t text[] = u"abc";
    char out[8] = {};
    EXPECT_EQ(4, WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr))
        << "-1 counts the terminator";
    EXPECT_EQ(0, WideCharToMultiByte(CP_ACP, 0, text, -1, out, 3, nullptr, nullptr));
    EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());
    EXPECT_EQ(4, WideCharToMultiByte(CP_ACP, 0, text, -1, out, 4, nullptr, nullptr));
    EXPECT_STREQ("abc", out);
}
}  // namespace
