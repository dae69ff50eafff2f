// The exception family: HRESULTs, log lines, the debugger hooks and the COM boundary.
#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>

#include "companion/Utilities/CPComException.h"
#include "companion/Utilities/CPExceptionInvalidArgument.h"
#include "companion/Utilities/ComExceptionBoundary.h"

namespace {
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
