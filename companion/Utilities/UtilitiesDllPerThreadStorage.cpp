// Per-thread storage of the utility library.
#include "UtilitiesDllPerThreadStorage.h"

#include <algorithm>
#include <vector>

namespace {
thread_local FixedBlockSizeMemoryPool sharedPtrPool(
    UtilitiesDllPerThreadStorage::kSharedPtrBlockSize);
thread_local std::vector<const ExecutionContextBase*> contextsInForce;
}  // namespace

FixedBlockSizeMemoryPool& UtilitiesDllPerThreadStorage::GetSharedPtrMemoryPool() noexcept {
    return sharedPtrPool;
}

void UtilitiesDllPerThreadStorage::PushContext(const ExecutionContextBase* context) {
    contextsInForce.push_back(context);
}

void UtilitiesDllPerThreadStorage::PopContext(const ExecutionContextBase* context) noexcept {
    // Guards end in reverse order of their start; the search only tolerates a misuse.
    const auto at = std::find(contextsInForce.rbegin(), contextsInForce.rend(), context);
    if (at != contextsInForce.rend()) {
        contextsInForce.erase(std::next(at).base());
    }
}

const ExecutionContextBase* UtilitiesDllPerThreadStorage::CurrentContext() noexcept {
    return contextsInForce.empty() ? nullptr : contextsInForce.back();
}
