// UTF-8 conversions of the stand-in layer at the edges the filter meets: ill-formed UTF-8 and
// UTF-16 both ways. (Windows-1252 is the ByteBuffer test's, on both builds.)
#include <gtest/gtest.h>

#include <string>

#include "seam/Win32Seam.h"

namespace {
std::string ToUtf8(const std::u16string& text) {
    const int length = static_cast<int>(text.size());
    const int needed =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(needed), '\0');
    EXPECT_EQ(needed, WideCharToMultiByte(CP_UTF8, 0, text.data(), length, out.data(), needed,
                                          nullptr, nullptr));
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

TEST(StringConversion, Utf8BothWaysWithOneReplacementPerBadPart) {
    enum Direction { kBoth, kToUtf8, kFromUtf8 };
    struct Case {
        const char* label;
        std::u16string wide;
        std::string utf8;
        Direction direction;
    };
    const Case cases[] = {
        {"every length of sequence, each at its lowest", u"a\u0080\u0800\U00010000",
         "a\xc2\x80\xe0\xa0\x80\xf0\x90\x80\x80", kBoth},
        {"U+0000", std::u16string(u"a\0b", 3), std::string("a\0b", 3), kBoth},
        {"a lone surrogate becomes U+FFFD",
         u"\xd800"
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
            EXPECT_EQ(c.utf8, ToUtf8(c.wide)) << c.label;
        }
        if (c.direction != kToUtf8) {
            EXPECT_EQ(c.wide, FromUtf8(c.utf8)) << c.label;
        }
    }
}
}  // namespace
