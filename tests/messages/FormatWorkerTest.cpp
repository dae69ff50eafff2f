// The checked formatter: the worked examples, argument mismatches, and where the text lives
// (fixed array or growable string) around the 1024-byte boundary.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "UtilitiesDll/LowLevelFacilities/InternalCorvoCP.h"
#include "companion/Utilities/CPExceptionInvalidArgument.h"

namespace {
using InternalCorvoCP::formatWorker;
using InternalCorvoCP::MessageBuffer;

constexpr const char* kQpifFormat =
    "Failed writing QPIF into the print stream. Expected to write %ld bytes. Bytes written is %ld.";

template <typename... Args>
std::string Format(const char* format, const Args&... args) {
    MessageBuffer buffer;
    formatWorker(buffer, format, args...);
    return buffer.getText();
}

TEST(FormatWorker, FormatsTheQpifMessageWithTheByteCountType) {
    EXPECT_EQ(
        "Failed writing QPIF into the print stream. Expected to write 4096 bytes. Bytes written "
        "is 1024.",
        Format(kQpifFormat, SizeRawBytes32(4096), 1024UL));
}

TEST(FormatWorker, FormatsConversionsByTheirArguments) {
    struct Case {
        const char* label;
        std::string actual;
        std::string expected;
    };
    const char* nullText = nullptr;
    const Case cases[] = {
        {"doubled percent", Format("100%% done"), "100% done"},
        {"doubled percent between arguments", Format("%d%% of %lu", 50, 8UL), "50% of 8"},
        {"streamed text", Format("[%s]", "PJL"), "[PJL]"},
        {"streamed number", Format("[%s]", 42), "[42]"},
        {"streamed CPString", Format("%S!", CPString("JobSpec")), "JobSpec!"},
        {"streamed null text", Format("%s", nullText), "(null)"},
        {"negative int", Format("%d", -7), "-7"},
        {"unsigned int by %ld", Format("%ld", 4294967295u), "4294967295"},
        {"long long by %d", Format("%d", -9000000000LL), "-9000000000"},
        {"hex with flags and width", Format("%#06x", 255), "0x00ff"},
        {"character", Format("%c%c", 'O', 75), "OK"},
        {"left-justified text", Format("%-6s|", "ab"), "ab    |"},
        {"string object", Format("%.3s", std::string("abcdef")), "abc"},
        {"floating point", Format("%6.1f", 3.75), "   3.8"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, c.actual) << c.label;
    }
}

TEST(FormatWorker, MismatchesRaiseInvalidArgumentWithTheirMessage) {
    struct Case {
        const char* label;
        std::function<void()> call;
        std::string message;
    };
    const Case cases[] = {
        {"missing argument", [] { Format("Expected %d items"); },
         "Invalid format string: missing arguments. There's no argument corresponding to the "
         "current format specifier, Expected %d items"},
        {"missing second argument", [] { Format("a %ld b %d c", 1L); },
         "Invalid format string: missing arguments. There's no argument corresponding to the "
         "current format specifier,  b %d c"},
        {"star width", [] { Format("%*d", 5); },
         "The InternalCorvoCP::formatWorker() family of methods does not support the '*' "
         "character for the precision or width in a printf-style format specification."},
        {"star precision", [] { Format("%.*s", "abc"); },
         "The InternalCorvoCP::formatWorker() family of methods does not support the '*' "
         "character for the precision or width in a printf-style format specification."},
        {"non-integral value for %d", [] { Format("%d bytes", SizeRawBytes32(3)); },
         "Non-integral value supplied as integral argument to format string character: d"},
        {"floating conversion for an integer", [] { Format("%f", 3); },
         "The argument's type cannot be formatted by the conversion %f"},
        {"text for a hex conversion", [] { Format("%x", "ab"); },
         "The argument's type cannot be formatted by the conversion %x"},
    };
    for (const Case& c : cases) {
        try {
            c.call();
            ADD_FAILURE() << c.label << ": nothing was raised";
        } catch (const CPExceptionInvalidArgument& failure) {
            EXPECT_EQ(c.message, failure.getMessage()) << c.label;
            EXPECT_EQ("UtilitiesDll\\LowLevelFacilities\\InternalCorvoCP",
                      failure.getDebugContext().sourceFile)
                << c.label;
            EXPECT_EQ(0x2001u, failure.getDebugContext().categoryMask) << c.label;
        }
    }
}

TEST(FormatWorker, InvalidSpecificationsAreRefusedNotGuessed) {
    for (const char* format : {"%q", "50%", "%n", "%ls%"}) {
        EXPECT_THROW(Format(format, 1), CPExceptionInvalidArgument) << format;
    }
}

TEST(FormatWorker, SurplusArgumentsAreReportedAndTheTextStands) {
    struct Case {
        const char* format;
        std::string expected;
        std::string reportedTail;
    };
    const Case cases[] = {{"abc", "abc", "string: abc\n"}, {"x=%ld, y", "x=1, y", "string: , y\n"}};
    for (const Case& c : cases) {
        testing::internal::CaptureStderr();
        const std::string text = Format(c.format, 1L, 2L);
        const std::string report = testing::internal::GetCapturedStderr();
        EXPECT_EQ(c.expected, text) << c.format;
        EXPECT_NE(std::string::npos, report.find("Extra arguments provided to formatWorker(). "
                                                 "There's no format specifier corresponding to "
                                                 "this argument in the original format string: "))
            << report;
        EXPECT_EQ(c.reportedTail, report.substr(report.size() - c.reportedTail.size())) << report;
    }
}

TEST(FormatWorker, LiteralTextStaysInTheFixedArrayUpTo1022Bytes) {
    struct Case {
        std::size_t length;
        bool overflowing;
    };
    for (const Case c : {Case{1022, false}, Case{1023, true}, Case{5000, true}}) {
        const std::string literal(c.length, 'x');
        MessageBuffer buffer;
        formatWorker(buffer, literal.c_str());
        EXPECT_EQ(c.overflowing, buffer.isOverflowing()) << c.length;
        EXPECT_EQ(literal, buffer.getText()) << c.length;
        EXPECT_EQ(c.length, buffer.getTextLength()) << c.length;
    }
}

TEST(FormatWorker, AConversionNeedsTheReserveAndTwoBytesInTheFixedArray) {
    struct Case {
        std::size_t literalLength;
        bool overflowing;
    };
    for (const Case c : {Case{766, false}, Case{767, true}}) {
        const std::string format = std::string(c.literalLength, '-') + "%lu";
        MessageBuffer buffer;
        formatWorker(buffer, format.c_str(), 12345UL);
        EXPECT_EQ(c.overflowing, buffer.isOverflowing()) << c.literalLength;
        EXPECT_EQ(std::string(c.literalLength, '-') + "12345", buffer.getText()) << c.literalLength;
    }
}

TEST(FormatWorker, AStreamedArgumentCrossingTheBoundaryStaysWhole) {
    const std::string prefix(1000, 'p');
    const std::string argument(50, 'a');
    MessageBuffer buffer;
    formatWorker(buffer, (prefix + "%s|").c_str(), argument.c_str());
    EXPECT_TRUE(buffer.isOverflowing());
    EXPECT_EQ(prefix + argument + "|", buffer.getText());
}

TEST(FormatWorker, AConversionLargerThanTheRoomLeftIsFormattedAgainWhole) {
    struct Case {
        const char* label;
        std::size_t literalLength;
        const char* conversion;
        std::size_t width;
    };
    const Case cases[] = {
        {"output beyond the room", 700, "%500lu", 500},
        {"output exactly the room", 724, "%300lu", 300},
        {"output beyond the grown string", 2000, "%3000lu", 3000},
    };
    for (const Case& c : cases) {
        const std::string literal(c.literalLength, '.');
        MessageBuffer buffer;
        formatWorker(buffer, (literal + c.conversion + "#").c_str(), 7UL);
        EXPECT_EQ(literal + std::string(c.width - 1, ' ') + "7#", buffer.getText()) << c.label;
    }
}
}  // namespace
