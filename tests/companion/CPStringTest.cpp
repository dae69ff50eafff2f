// UTF-8 text from UTF-16: surrogates, U+0000 and sizes without terminator.
#include <gtest/gtest.h>

#include "tests/support/WideText.h"

#include "companion/Utilities/CPString.h"

namespace {
TEST(CPString, WideTextBecomesUtf8) {
    struct Case {
        const char* label;
        std::u16string text;
        std::string expected;
    };
    const Case cases[] = {
        {"ASCII", u"QueueName", "QueueName"},
        {"accent", u"r\u00e9sum\u00e9", "r\xc3\xa9sum\xc3\xa9"},
        {"surrogate pair", u"\U0001F5A8", "\xf0\x9f\x96\xa8"},
        {"lone surrogate becomes U+FFFD", u"a\xd800", "a\xef\xbf\xbd"},
        {"U+0000 stays inside", std::u16string(u"a\0b", 3), std::string("a\0b", 3)},
    };
    for (const Case& c : cases) {
        const CPString utf8(WideString(c.text));
        EXPECT_EQ(c.expected, utf8.str()) << c.label;
        EXPECT_EQ(c.expected.size(), utf8.sizeOfUtf8RawBytes()) << c.label;
    }
}

TEST(CPString, EmptinessAndAppending) {
    CPString text;
    EXPECT_TRUE(text.isEmpty());
    EXPECT_EQ(0u, text.sizeOfUtf8RawBytes());
    EXPECT_STREQ("", text.utf8RawBytes());
    text.append("&amp;", 5) += CPString("x");
    EXPECT_FALSE(text.isEmpty());
    EXPECT_EQ("&amp;x", text.str());
}
}  // namespace
