// The execution context of an operation: owned through the thread's pooled shared pointer, in force
// while its guard lives, and named in the library's diagnostics.
#include <gtest/gtest.h>

#include "companion/Utilities/BasicExecutionContext.h"
#include "companion/Utilities/DebugUtilities.h"
#include "companion/Utilities/ExecutionContextLifetime.h"

namespace {
int liveContexts = 0;

class CountedContext : public BasicExecutionContext {
  public:
    CountedContext() : BasicExecutionContext(31676, 0x2000, "F", "G", 7, false, CPString()) {
        ++liveContexts;
    }
    ~CountedContext() override { --liveContexts; }
};

FixedBlockSizeMemoryPool& Pool() {
    return UtilitiesDllPerThreadStorage::GetSharedPtrMemoryPool();
}

TEST(ExecutionContext, ASharedPointerTakesOnePoolBlockAndFreesTheContextWithItsLastCopy) {
    const std::size_t blocksBefore = Pool().BlocksInUse();
    {
        CvoSharedPtr<ExecutionContextBase> first(new CountedContext());
        EXPECT_EQ(blocksBefore + 1, Pool().BlocksInUse());
        EXPECT_EQ(1u, first.use_count());
        {
            const CvoSharedPtr<ExecutionContextBase> second = first;
            EXPECT_EQ(2u, first.use_count());
        }
        EXPECT_EQ(1u, first.use_count());
        EXPECT_EQ(1, liveContexts);
    }
    EXPECT_EQ(0, liveContexts);
    EXPECT_EQ(blocksBefore, Pool().BlocksInUse());
}

TEST(ExecutionContext, TheGuardKeepsTheContextInForceAfterTheLocalPointerIsGone) {
    EXPECT_EQ(nullptr, UtilitiesDllPerThreadStorage::CurrentContext());
    {
        CvoSharedPtr<ExecutionContextBase> local(new CountedContext());
        const ExecutionContextLifetime lifetime(local);
        local.reset();
        EXPECT_EQ(1, liveContexts) << "the guard's reference keeps it";
        EXPECT_EQ(lifetime.Get(), UtilitiesDllPerThreadStorage::CurrentContext());
    }
    EXPECT_EQ(0, liveContexts);
    EXPECT_EQ(nullptr, UtilitiesDllPerThreadStorage::CurrentContext());
}

TEST(ExecutionContext, DiagnosticsNameTheContextInForce) {
    const CvoSharedPtr<ExecutionContextBase> context(
        new BasicExecutionContext(31676, 0x2000, "S", "F", 9, false, CPString()));
    const ExecutionContextLifetime lifetime(context);
    testing::internal::CaptureStderr();
    DebugUtilities::reportErrorForLowLevelUtilities("surplus: %s", "abc");
    EXPECT_EQ("cv-Utilities: [31676 F (S:9)] surplus: abc\n",
              testing::internal::GetCapturedStderr());
}
}  // namespace
