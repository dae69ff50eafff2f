// The module's count of live filter objects plus locked class factories; while it is above zero
// the module must stay loaded.
#pragma once

#include "seam/Win32Seam.h"

class ModuleObjectCount {
  public:
    static void Increment() noexcept;
    static void Decrement() noexcept;
    static ULONG Current() noexcept;
};
