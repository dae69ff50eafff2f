// The module object count, changed only by interlocked operations.
#include "ModuleObjectCount.h"

namespace {
volatile LONG moduleObjectCount = 0;
}

void ModuleObjectCount::Increment() noexcept {
    InterlockedIncrement(&moduleObjectCount);
}

void ModuleObjectCount::Decrement() noexcept {
    InterlockedDecrement(&moduleObjectCount);
}

ULONG ModuleObjectCount::Current() noexcept {
    return static_cast<ULONG>(InterlockedCompareExchange(&moduleObjectCount, 0, 0));
}
