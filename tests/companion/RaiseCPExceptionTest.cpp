// The raise sequence shared by every raise site: the last error as it was before the message was
// built, the debug context with bit 0 added to its mask, and the last error restored afterwards.
#include <gtest/gtest.h>

#include "companion/Utilities/CPComException.h"
#include "companion/Utilities/LastErrorPreserver.h"
#include "companion/Utilities/RaiseCPException.h"

namespace {
constexpr const char* kFile = "FilterPipeline\\PDLStreamFilter\\PDLStreamFilter";
constexpr const char* kFunction = "PDLStreamFilter::StartOperation_throws";

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
}  // namespace
