// The exception family: HRESULTs, log lines, the raise sequence every raise site shares (the last
// error as it was before the message was built, bit 0 added to the debug context's mask, the last
// error restored afterwards) and the COM boundary.
#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>

#include "companion/Utilities/CPComException.h"
#include "companion/Utilities/CPExceptionInvalidArgument.h"
#include "companion/Utilities/ComExceptionBoundary.h"
#include "companion/Utilities/LastErrorPreserver.h"
#include "companion/Utilities/RaiseCPException.h"
#include "companion/Utilities/SystemErrorText.h"

namespace {
constexpr const char* kFile = "FilterPipeline\\PDLStreamFilter\\PDLStreamFilter";
constexpr const char* kFunction = "PDLStreamFilter::StartOperation_throws";

DebugContextReference Context() {
    return {"FilterPipeline\\PDLStreamFilter\\X.cpp", 42, "X::Y", 0x2001, 0};
}

TEST(CPException, ItCarriesItsMessageLastErrorHresultAndRaiseSite) {
    const CPComException failure("Failed writing QPIF into the print stream.", 87, Context(),
                                 CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, failure.GetHresult());
    EXPECT_EQ(87u, failure.getLastErrorCode());
    EXPECT_STREQ("Failed writing QPIF into the print stream.", failure.what());
    EXPECT_EQ(0x2001u, failure.getDebugContext().categoryMask);
    EXPECT_EQ(
        "CPComException: Failed writing QPIF into the print stream. (last error 87) at "
        "FilterPipeline\\PDLStreamFilter\\X.cpp(42) in X::Y",
        failure.getLogString());
}

TEST(RaiseCPException, CarriesTheLastErrorFromBeforeTheMessageAndRestoresIt) {
    SetLastError(77);
    std::uint32_t raisedAt = 0;
    try {
        const LastErrorPreserver preserved;
        SetLastError(5);  // building a message may touch the last error
        const RaiseSite site = CV_RAISE_SITE(kFile, kFunction, 0x2000);
        raisedAt = __LINE__ - 1;
        RaiseCPException<CPComException>(site, "CPComException: ", preserved.Value(), E_FAIL);
    } catch (const CPComException& failure) {
        EXPECT_EQ(77u, failure.getLastErrorCode());
        EXPECT_EQ(E_FAIL, failure.GetHresult());
        EXPECT_EQ("CPComException: ", failure.getMessage());
        EXPECT_EQ("FilterPipeline\\PDLStreamFilter\\PDLStreamFilter",
                  failure.getDebugContext().sourceFile);
        EXPECT_EQ("PDLStreamFilter::StartOperation_throws", failure.getDebugContext().functionName);
        EXPECT_EQ(raisedAt, failure.getDebugContext().sourceLine);
        EXPECT_EQ(0x2001u, failure.getDebugContext().categoryMask);
        EXPECT_EQ(0u, failure.getDebugContext().extra);
    }
    EXPECT_EQ(77u, GetLastError());
}

TEST(ComExceptionBoundary, EveryEscapingExceptionBecomesAFailureHresult) {
    struct Case {
        const char* label;
        std::function<HRESULT()> body;
        HRESULT expected;
    };
    const Case cases[] = {
        {"success passes", [] { return S_FALSE; }, S_FALSE},
        {"CPComException gives its HRESULT",
         []() -> HRESULT { throw CPComException("m", 0, Context(), E_POINTER); }, E_POINTER},
        {"CPComException with a success code is still a failure",
         []() -> HRESULT { throw CPComException("m", 0, Context(), S_OK); }, E_FAIL},
        {"other CPException",
         []() -> HRESULT { throw CPExceptionInvalidArgument("m", 0, Context()); }, E_FAIL},
        {"exhausted memory", []() -> HRESULT { throw std::bad_alloc(); }, E_OUTOFMEMORY},
        {"standard exception", []() -> HRESULT { throw std::runtime_error("x"); }, E_FAIL},
        {"anything else", []() -> HRESULT { throw 17; }, E_FAIL},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, RunAtComBoundary(c.body)) << c.label;
    }
}
}  // namespace

namespace {
// Messages name an OS error by the system's words, in a sentence: no full stop or line end of
// its own, the caller's last error untouched, the number only where the system has no words.
TEST(SystemErrorText, AnErrorCodeReadsAsTheSystemsWordsInsideASentence) {
    SetLastError(1234);
    const std::string denied = SystemErrorText::Of(ERROR_ACCESS_DENIED);
    EXPECT_EQ(1234u, GetLastError()) << "the caller's last error";
#if defined(_WIN32)
    // Windows and Wine word it each their own way.
    EXPECT_FALSE(denied.empty());
    EXPECT_EQ(std::string::npos, denied.find("error 5")) << denied;
#else
    EXPECT_EQ("Access is denied", denied);
    EXPECT_EQ("There is not enough space on the disk", SystemErrorText::Of(ERROR_DISK_FULL));
#endif
    EXPECT_NE('.', denied.back()) << denied;
    EXPECT_NE('\n', denied.back()) << denied;
    EXPECT_EQ("error 4711", SystemErrorText::Of(4711));
}

#if !defined(_WIN32)
TEST(SystemErrorText, TheStandInServesOnlyTheSystemsTextsIntoTheCallersBuffer) {
    struct Case {
        const char* label;
        DWORD flags;
        DWORD code;
        DWORD room;
        DWORD expectedLength;
        DWORD expectedError;
    };
    const DWORD system = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    const Case cases[] = {
        {"a known code", system, ERROR_FILE_NOT_FOUND, 100, 44, ERROR_SUCCESS},
        {"an unknown code", system, 4711, 100, 0, ERROR_MR_MID_NOT_FOUND},
        {"a buffer too small", system, ERROR_FILE_NOT_FOUND, 44, 0, ERROR_INSUFFICIENT_BUFFER},
        {"inserts asked for", FORMAT_MESSAGE_FROM_SYSTEM, ERROR_FILE_NOT_FOUND, 100, 0,
         ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases) {
        WCHAR text[100] = {};
        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(c.expectedLength,
                  FormatMessageW(c.flags, nullptr, c.code, 0, text, c.room, nullptr))
            << c.label;
        EXPECT_EQ(c.expectedError, GetLastError()) << c.label;
    }
}
#endif
}  // namespace
