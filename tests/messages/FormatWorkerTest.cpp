// The checked formatter: the conversions production formats, argument mismatches refused, surplus
// arguments reported, and where the text lives (fixed array or growable string) around the
// 1024-byte boundary.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "UtilitiesDll/LowLevelFacilities/InternalCorvoCP.h"
#include "companion/Utilities/CPExceptionInvalidArgument.h"
#include "seam/Win32Seam.h"

namespace {
using InternalCorvoCP::formatWorker;
using InternalCorvoCP::MessageBuffer;

template <typename... Args>
std::string Format(const char* format, const Args&... args) {
    MessageBuffer buffer;
    formatWorker(buffer, format, args...);
    return buffer.getText();
}

TEST(FormatWorker, FormatsEachConversionByItsArgumentsRealType) {
    struct Case {
        const char* label;
        std::string actual;
        std::string expected;
    };
    const char* nullText = nullptr;
    const Case cases[] = {
        {"the QPIF message with a 32-bit byte count under %ld",
         Format("Expected to write %ld bytes. Bytes written is %ld.", SizeRawBytes32(4096), 1024UL),
         "Expected to write 4096 bytes. Bytes written is 1024."},
        {"doubled percent between arguments", Format("%d%% of %lu", 50, 8UL), "50% of 8"},
        {"streamed text, number and CPString", Format("[%s %s %S]", "PJL", 42, CPString("Job")),
         "[PJL 42 Job]"},
        {"streamed null text", Format("%s", nullText), "(null)"},
        {"text with a width, by the runtime library", Format("[%5s]", "PJL"), "[  PJL]"},
        {"unsigned int by %ld", Format("%ld", 4294967295u), "4294967295"},
        {"long long by %d", Format("%d", -9000000000LL), "-9000000000"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, c.actual) << c.label;
    }
}

TEST(FormatWorker, MismatchesAndUnsafeSpecificationsAreRefusedNotGuessed) {
    struct Case {
        const char* label;
        std::function<void()> call;
        std::string message;  // empty: the format parser refuses it, in its own words
    };
    const std::string star =
        "The InternalCorvoCP::formatWorker() family of methods does not support the '*' "
        "character for the precision or width in a printf-style format specification.";
    const Case cases[] = {
        {"missing second argument", [] { Format("a %ld b %d c", 1L); },
         "Invalid format string: missing arguments. There's no argument corresponding to the "
         "current format specifier,  b %d c"},
        {"star width", [] { Format("%*d", 5); }, star},
        {"star precision", [] { Format("%.*s", "abc"); }, star},
        {"non-integral value for %d", [] { Format("%d bytes", SizeRawBytes32(3)); },
         "Non-integral value supplied as integral argument to format string character: d"},
        {"text for a hex conversion", [] { Format("%x", "ab"); },
         "The argument's type cannot be formatted by the conversion %x"},
        {"%n", [] { Format("%n", 1); }, ""},
        {"an unknown conversion", [] { Format("%q", 1); }, ""},
        {"a lone percent at the end", [] { Format("50%", 1); }, ""},
    };
    for (const Case& c : cases) {
        try {
            c.call();
            ADD_FAILURE() << c.label << ": nothing was raised";
        } catch (const CPExceptionInvalidArgument& failure) {
            if (c.message.empty()) {
                continue;
            }
            EXPECT_EQ(c.message, failure.getMessage()) << c.label;
            EXPECT_EQ("UtilitiesDll\\LowLevelFacilities\\InternalCorvoCP",
                      failure.getDebugContext().sourceFile)
                << c.label;
            EXPECT_EQ(0x2001u, failure.getDebugContext().categoryMask) << c.label;
        }
    }
}

TEST(FormatWorker, SurplusArgumentsAreReportedAndTheTextStands) {
    testing::internal::CaptureStderr();
    const std::string text = Format("x=%ld, y", 1L, 2L);
    const std::string report = testing::internal::GetCapturedStderr();
    EXPECT_EQ("x=1, y", text);
    EXPECT_NE(std::string::npos, report.find("Extra arguments provided to formatWorker(). "
                                             "There's no format specifier corresponding to "
                                             "this argument in the original format string: , y\n"))
        << report;
}

#if !defined(_WIN32)
// A CUPS filter's standard error is parsed line by line: the report must be one DEBUG: line.
TEST(FormatWorker, TheReportStartsWithTheHostsDiagnosticLinePrefix) {
    CvSetDiagnosticLinePrefix("DEBUG: ");
    testing::internal::CaptureStderr();
    Format("x=%ld", 1L, 2L);
    const std::string report = testing::internal::GetCapturedStderr();
    CvSetDiagnosticLinePrefix(nullptr);
    EXPECT_EQ(0u, report.rfind("DEBUG: cv-Utilities: Extra arguments provided", 0)) << report;
    EXPECT_EQ(1, std::count(report.begin(), report.end(), '\n')) << report;
}
#endif

TEST(FormatWorker, TheTextIsWholeOnEitherSideOfTheFixedArraysBoundary) {
    struct Case {
        const char* label;
        std::string format;
        std::function<void(MessageBuffer&, const std::string&)> run;
        std::string expected;
        bool overflowing;
    };
    const auto literal = [](MessageBuffer& buffer, const std::string& format) {
        formatWorker(buffer, format.c_str());
    };
    const auto number = [](MessageBuffer& buffer, const std::string& format) {
        formatWorker(buffer, format.c_str(), 7UL);
    };
    const std::string argument(50, 'a');
    const auto text = [&argument](MessageBuffer& buffer, const std::string& format) {
        formatWorker(buffer, format.c_str(), argument.c_str());
    };
    const Case cases[] = {
        {"1022 literal bytes fit", std::string(1022, 'x'), literal, std::string(1022, 'x'), false},
        {"1023 do not", std::string(1023, 'x'), literal, std::string(1023, 'x'), true},
        {"a conversion with its reserve fits", std::string(766, '-') + "%lu", number,
         std::string(766, '-') + "7", false},
        {"one byte less room does not", std::string(767, '-') + "%lu", number,
         std::string(767, '-') + "7", true},
        {"a streamed argument across the boundary", std::string(1000, 'p') + "%s|", text,
         std::string(1000, 'p') + argument + "|", true},
        {"output beyond the room is formatted again whole", std::string(700, '.') + "%500lu#",
         number, std::string(700, '.') + std::string(499, ' ') + "7#", true},
        {"output exactly the room", std::string(724, '.') + "%300lu#", number,
         std::string(724, '.') + std::string(299, ' ') + "7#", true},
        {"output beyond the grown string", std::string(2000, '.') + "%3000lu#", number,
         std::string(2000, '.') + std::string(2999, ' ') + "7#", true},
    };
    for (const Case& c : cases) {
        MessageBuffer buffer;
        c.run(buffer, c.format);
        EXPECT_EQ(c.expected, buffer.getText()) << c.label;
        EXPECT_EQ(c.expected.size(), buffer.getTextLength()) << c.label;
        EXPECT_EQ(c.overflowing, buffer.isOverflowing()) << c.label;
    }
}
}  // namespace
