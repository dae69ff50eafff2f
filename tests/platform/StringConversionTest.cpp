// Code page conversions of the stand-in layer at their edges: Windows-1252's holes and its high
// control range, surrogates, U+0000, ill-formed UTF-8, and the buffer-size contract.
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

std::u16string FromCodePage(UINT codePage, const std::string& bytes, DWORD flags = 0) {
    const int length = static_cast<int>(bytes.size());
    const int needed = MultiByteToWideChar(codePage, flags, bytes.data(), length, nullptr, 0);
    std::u16string out(static_cast<std::size_t>(needed), u'\0');
    if (needed > 0) {
        MultiByteToWideChar(codePage, flags, bytes.data(), length, out.data(), needed);
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
        {"ASCII", u"@PJL JOB\r\n", "@PJL JOB\r\n", FALSE},
        {"ESC and U+0000 pass as bytes",
         std::u16string(u"\x1b"
                        u"A\0B",
                        4),
         std::string("\x1b"
                     "A\0B",
                     4),
         FALSE},
        {"Latin-1 range", u"\u00e9\u00ff\u00a0", "\xe9\xff\xa0", FALSE},
        {"euro sign and curly quotes", u"\u20ac\u201c\u201d", "\x80\x93\x94", FALSE},
        {"undefined byte values map to their C1 control", u"\u0081\u008d\u008f\u0090\u009d",
         "\x81\x8d\x8f\x90\x9d", FALSE},
        {"other C1 controls are missing", u"\u0080\u0099", "??", TRUE},
        {"Cyrillic is missing", u"\u0416", "?", TRUE},
        {"each half of a surrogate pair is a character", u"a\U0001F600b", "a??b", TRUE},
        {"a lone high surrogate",
         u"a\xd800"
         u"b",
         "a?b", TRUE},
        {"a lone low surrogate", u"\xdc00", "?", TRUE},
        {"a high surrogate at the end", u"x\xdbff", "x?", TRUE},
    };
    for (const Case& c : cases) {
        BOOL substituted = 2;
        EXPECT_EQ(c.expected, ToCodePage(CP_ACP, c.text, &substituted)) << c.label;
        EXPECT_EQ(c.substituted, substituted) << c.label;
    }
}

TEST(StringConversion, Windows1252BytesBecomeWideText) {
    std::string every;
    for (int byte = 1; byte < 256; ++byte) {
        every += static_cast<char>(byte);
    }
    const std::u16string wide = FromCodePage(CP_ACP, every);
    ASSERT_EQ(255u, wide.size());
    EXPECT_EQ(u'\u20ac', wide[0x80 - 1]);
    EXPECT_EQ(u'\u0081', wide[0x81 - 1]);
    EXPECT_EQ(u'\u0178', wide[0x9f - 1]);
    EXPECT_EQ(u'\u00ff', wide[0xff - 1]);
    EXPECT_EQ(every, ToCodePage(CP_WINDOWS_1252, wide)) << "every byte survives the round trip";
}

TEST(StringConversion, WideTextBecomesUtf8WithReplacementForLoneSurrogates) {
    struct Case {
        const char* label;
        std::u16string text;
        std::string expected;
    };
    const Case cases[] = {
        {"ASCII", u"abc", "abc"},
        {"two-byte", u"\u00e9", "\xc3\xa9"},
        {"three-byte", u"\u20ac", "\xe2\x82\xac"},
        {"surrogate pair", u"\U0001F600", "\xf0\x9f\x98\x80"},
        {"lone high surrogate",
         u"\xd83d"
         u"a",
         "\xef\xbf\xbd"
         "a"},
        {"lone low surrogate", u"\xde00", "\xef\xbf\xbd"},
        {"U+0000", std::u16string(u"a\0b", 3), std::string("a\0b", 3)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, ToCodePage(CP_UTF8, c.text)) << c.label;
    }
}

TEST(StringConversion, Utf8BecomesWideTextWithOneReplacementPerMaximalBadSubpart) {
    struct Case {
        const char* label;
        std::string bytes;
        std::u16string expected;
    };
    const Case cases[] = {
        {"well-formed", "a\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80", u"a\u00e9\u20ac\U0001F600"},
        {"lone continuation byte",
         "a\x80"
         "b",
         u"a\ufffd"
         u"b"},
        {"overlong form", "\xc0\xaf", u"\ufffd\ufffd"},
        {"encoded surrogate", "\xed\xa0\x80", u"\ufffd\ufffd\ufffd"},
        {"truncated three-byte sequence",
         "\xe2\x82"
         "A",
         u"\ufffd"
         u"A"},
        {"beyond U+10FFFF", "\xf4\x90\x80\x80", u"\ufffd\ufffd\ufffd\ufffd"},
        {"a real U+FFFD is kept", "\xef\xbf\xbd", u"\ufffd"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, FromCodePage(CP_UTF8, c.bytes)) << c.label;
    }
}

TEST(StringConversion, StrictFlagsRefuseIllFormedInput) {
    const char16_t lone[] = u"\xd800";
    EXPECT_EQ(0, WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, lone, 1, nullptr, 0, nullptr,
                                     nullptr));
    EXPECT_EQ(ERROR_NO_UNICODE_TRANSLATION, GetLastError());
    EXPECT_EQ(0, MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "\xff", 1, nullptr, 0));
    EXPECT_EQ(ERROR_NO_UNICODE_TRANSLATION, GetLastError());
    EXPECT_EQ(1, MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "\xef\xbf\xbd", 3, nullptr, 0))
        << "a real U+FFFD is not ill-formed";
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
    EXPECT_EQ(0, WideCharToMultiByte(CP_ACP, 0, text, 0, out, 4, nullptr, nullptr));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
    EXPECT_EQ(0, WideCharToMultiByte(932, 0, text, 3, out, 4, nullptr, nullptr))
        << "code pages other than 1252 and UTF-8 are not served";
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
    EXPECT_EQ(0, WideCharToMultiByte(CP_ACP, 0x1, text, 3, out, 4, nullptr, nullptr));
    EXPECT_EQ(ERROR_INVALID_FLAGS, GetLastError());
    BOOL used = FALSE;
    EXPECT_EQ(0, WideCharToMultiByte(CP_UTF8, 0, text, 3, out, 4, nullptr, &used))
        << "UTF-8 has no default character";
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
}
}  // namespace
