// Message builders: the fallback text and its exact wording, and the last error left untouched.
#include <gtest/gtest.h>

#include <string>

#include "UtilitiesDll/LowLevelFacilities/InternalCorvoCP.h"

namespace {
constexpr const char* kQpifFormat =
    "Failed writing QPIF into the print stream. Expected to write %ld bytes. Bytes written is %ld.";

TEST(ErrorMessages, BuildsTheMessagesTheOperationUses) {
    struct Case {
        const char* label;
        std::string actual;
        std::string expected;
    };
    const Case cases[] = {
        {"QPIF", buildErrorMessage(kQpifFormat, SizeRawBytes32(4096), 1024UL),
         "Failed writing QPIF into the print stream. Expected to write 4096 bytes. Bytes written "
         "is 1024."},
        {"QPIF with nothing written", buildErrorMessage(kQpifFormat, SizeRawBytes32(37), 0UL),
         "Failed writing QPIF into the print stream. Expected to write 37 bytes. Bytes written is "
         "0."},
        {"COM exception", buildErrorMessage("CPComException: "), "CPComException: "},
        {"empty", formatMessage("").str(), ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, c.actual) << c.label;
    }
}

TEST(ErrorMessages, AFailedBuildGivesTheFallbackTextNamingTheFailure) {
    struct Case {
        const char* label;
        std::string actual;
        std::string expected;
    };
    const std::string prefix =
        "There is a problem with the format string or arguments being used to build this error "
        "message! Caught exception ";
    const Case cases[] = {
        {"missing argument", buildErrorMessage("%d items"),
         prefix + "CPExceptionInvalidArgument... Here's the format string as-is: %d items"},
        {"non-integral %d", buildErrorMessage("%d bytes", SizeRawBytes32(4)),
         prefix + "CPExceptionInvalidArgument... Here's the format string as-is: %d bytes"},
        {"star", buildErrorMessage("%*d", 1),
         prefix + "CPExceptionInvalidArgument... Here's the format string as-is: %*d"},
        {"null format", buildErrorMessage(static_cast<const char*>(nullptr)),
         prefix + "CPExceptionInvalidArgument... A null format string is being used to build this "
                  "error message!"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, c.actual) << c.label;
    }
}

TEST(ErrorMessages, TheLastErrorIsTheCallersAfterEveryBuild) {
    struct Case {
        const char* label;
        std::function<void()> build;
    };
    const Case cases[] = {
        {"success", [] { buildErrorMessage(kQpifFormat, SizeRawBytes32(1), 1UL); }},
        {"failure", [] { buildErrorMessage("%d items"); }},
        {"surplus argument", [] { buildErrorMessage("none", 1); }},
    };
    for (const Case& c : cases) {
        testing::internal::CaptureStderr();
        SetLastError(4242);
        c.build();
        const DWORD after = GetLastError();
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(4242u, after) << c.label;
    }
}

TEST(ErrorMessages, ALongMessageIsReturnedWhole) {
    const std::string detail(3000, 'd');
    EXPECT_EQ("detail: " + detail + ".", buildErrorMessage("detail: %s.", detail.c_str()));
}

TEST(ErrorMessages, FormatMessageLetsTheFormattersExceptionsThrough) {
    EXPECT_THROW(formatMessage("%d"), CPExceptionInvalidArgument);
    EXPECT_EQ("7 pages", formatMessage("%lu pages", 7UL).str());
}
}  // namespace
