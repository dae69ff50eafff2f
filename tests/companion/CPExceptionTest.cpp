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
