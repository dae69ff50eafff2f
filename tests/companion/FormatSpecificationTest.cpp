// Parsing one printf conversion: the text it spans, its parts, and what it refuses.
#include <gtest/gtest.h>

#include <string>

#include "companion/Utilities/CPExceptionInvalidArgument.h"
#include "companion/Utilities/FormatSpecification.h"

namespace {
TEST(FormatSpecification, SpansFromThePercentThroughTheConversion) {
    struct Case {
        const char* afterPercent;
        std::string text;
        char conversion;
        std::string modifier;
        std::string rest;
    };
    const Case cases[] = {
        {"ld bytes.", "%ld", 'd', "l", " bytes."},
        {"d", "%d", 'd', "", ""},
        {"-08.3I64x|", "%-08.3I64x", 'x', "I64", "|"},
        {"#llo", "%#llo", 'o', "ll", ""},
        {"+ 5.2Lf", "%+ 5.2Lf", 'f', "L", ""},
        {"hhu", "%hhu", 'u', "hh", ""},
        {"zu", "%zu", 'u', "z", ""},
        {"*.*s", "%*.*s", 's', "", ""},
        {"%", "%%", '%', "", ""},
    };
    for (const Case& c : cases) {
        const auto spec = FormatSpecification::parseAfterFirstPercentCharacter(c.afterPercent);
        EXPECT_EQ(c.text, spec.getFormatSpecificationString()) << c.afterPercent;
        EXPECT_EQ(c.text.size(), spec.getFormatSpecificationLength()) << c.afterPercent;
        EXPECT_EQ(c.conversion, spec.getConversion()) << c.afterPercent;
        EXPECT_EQ(c.modifier, spec.getLengthModifier()) << c.afterPercent;
        EXPECT_EQ(c.rest, std::string(spec.getEnd())) << c.afterPercent;
    }
}

TEST(FormatSpecification, ALengthModifierCanBeReplaced) {
    const auto spec = FormatSpecification::parseAfterFirstPercentCharacter("-08.3hx");
    EXPECT_EQ("%-08.3llx", spec.withLengthModifier("ll"));
    EXPECT_EQ("%5d",
              FormatSpecification::parseAfterFirstPercentCharacter("5ld").withLengthModifier(""));
}

TEST(FormatSpecification, RefusesWhatIsNotAWholeSafeSpecification) {
    for (const char* afterPercent : {"", "q", "5", "l", "n", "ln", "1234567890d", ".1234567890f"}) {
        EXPECT_THROW(FormatSpecification::parseAfterFirstPercentCharacter(afterPercent),
                     CPExceptionInvalidArgument)
            << "%" << afterPercent;
    }
    EXPECT_THROW(FormatSpecification::parseAfterFirstPercentCharacter(nullptr),
                 CPExceptionInvalidArgument);
}
}  // namespace
