// Bytes for the print stream: appends, and the lossy ANSI conversion at its edges.
#include <gtest/gtest.h>

#include "tests/support/WideText.h"

#include <string>

#include "companion/Utilities/ByteBuffer.h"

namespace {
std::string Bytes(const ByteBuffer& buffer) {
    return std::string(reinterpret_cast<const char*>(buffer.getLpbyte()), buffer.getDword());
}

TEST(ByteBuffer, AnsiConversionIsLossyOneQuestionMarkPerCharacter) {
    struct Case {
        const char* label;
        std::u16string text;
        std::string expected;
    };
    const Case cases[] = {
        {"PJL line", u"\x1b%-12345X@PJL JOB\r\n", "\x1b%-12345X@PJL JOB\r\n"},
        {"Windows-1252 letters", u"Gr\u00fc\u00dfe \u20ac",
         "Gr\xfc\xdf"
         "e \x80"},
        {"CJK", u"\u65e5\u672c", "??"},
        {"surrogate pair, the highest of all", u"[\U0010FFFF]", "[?]"},
        {"lone surrogate", u"[\xdbff]", "[?]"},
        {"embedded U+0000 is kept", std::u16string(u"A\0B", 3), std::string("A\0B", 3)},
        {"empty", u"", ""},
    };
    for (const Case& c : cases) {
        ByteBuffer buffer;
        buffer.appendAsAnsi_LossyForUnicode(WideString(c.text));
        EXPECT_EQ(c.expected, Bytes(buffer)) << c.label;
    }
}

TEST(ByteBuffer, AppendsOfAnySizeKeepEveryByte) {
    ByteBuffer buffer;
    buffer.append("a", 1).append("", 0).append("bc", 2);
    EXPECT_EQ("abc", Bytes(buffer));
}
}  // namespace
