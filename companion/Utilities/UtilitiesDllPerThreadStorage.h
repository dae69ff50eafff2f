// What the utility library keeps per thread: the pool of 16-byte blocks for shared pointers and
// the stack of execution contexts in force.
#pragma once

#include "ExecutionContextBase.h"
#include "FixedBlockSizeMemoryPool.h"

class UtilitiesDllPerThreadStorage {
  public:
    static constexpr std::size_t kSharedPtrBlockSize = 16;

    static FixedBlockSizeMemoryPool& GetSharedPtrMemoryPool() noexcept;

    static void PushContext(const ExecutionContextBase* context);
    static void PopContext(const ExecutionContextBase* context) noexcept;
    // The innermost context in force on the calling thread, or null.
    static const ExecutionContextBase* CurrentContext() noexcept;
};
