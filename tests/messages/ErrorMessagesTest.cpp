// Message builders: the fallback text and its exact wording when a build fails, long messages
// whole, and the caller's last error left untouched.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "UtilitiesDll/LowLevelFacilities/InternalCorvoCP.h"

namespace {
TEST(ErrorMessages, AFailedBuildGivesTheFallbackTextNamingTheFailure) {
    struct Case {
        const char* label;
        std::string actual;
        std::string expected;
    };
    const std::string prefix =
        "There is a problem with the format string or arguments being used to build this error "
        "message! Caught exception ";
    const std::string detail(3000, 'd');
    const Case cases[] = {
        {"a long message is whole", buildErrorMessage("detail: %s.", detail.c_str()),
         "detail: " + detail + "."},
        {"missing argument", buildErrorMessage("%d items"),
         prefix + "CPExceptionInvalidArgument... Here's the format string as-is: %d items"},
        {"non-integral %d", buildErrorMessage("%d bytes", SizeRawBytes32(4)),
         prefix + "CPExceptionInvalidArgument... Here's the format string as-is: %d bytes"},
        {"null format", buildErrorMessage(static_cast<const char*>(nullptr)),
         prefix + "CPExceptionInvalidArgument... A null format string is being used to build this "
                  "error message!"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, c.actual) << c.label;
    }
    EXPECT_THROW(formatMessage("%d"), CPExceptionInvalidArgument)
        << "formatMessage lets the formatter's exceptions through";
}

TEST(ErrorMessages, TheLastErrorIsTheCallersAfterEveryBuild) {
    struct Case {
        const char* label;
        std::function<void()> build;
    };
    const Case cases[] = {
        {"success", [] { buildErrorMessage("%ld bytes", SizeRawBytes32(1)); }},
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
}  // namespace
