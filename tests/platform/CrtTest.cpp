// The legacy _snprintf contract: -1 when the output does not fit, no terminator on an exact fit,
// the needed length for a null buffer of size 0.
#include <gtest/gtest.h>

#include <string>

#include "seam/Win32Seam.h"

namespace {
TEST(LegacySnprintf, AnswersByHowTheOutputFits) {
    struct Case {
        const char* label;
        std::size_t room;
        int expectedCount;
        std::string expectedBytes;
    };
    const Case cases[] = {
        {"fits with its terminator", 8, 5, std::string("12345\0**", 8)},
        {"fits exactly, no terminator", 5, 5, "12345***"},
        {"does not fit", 3, -1, "123*****"},
    };
    for (const Case& c : cases) {
        char buffer[8];
        std::fill(std::begin(buffer), std::end(buffer), '*');
        EXPECT_EQ(c.expectedCount, _snprintf(buffer, c.room, "%d", 12345)) << c.label;
        EXPECT_EQ(c.expectedBytes, std::string(buffer, 8)) << c.label;
    }
    EXPECT_EQ(5, _snprintf(nullptr, 0, "%d", 12345));
}
}  // namespace
