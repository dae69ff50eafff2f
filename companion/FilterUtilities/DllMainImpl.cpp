// Module entry of the filter base library.
#include "DllMainImpl.h"

#include <atomic>

namespace {
std::atomic<HINSTANCE> moduleInstance{nullptr};
}

BOOL DllMain_impl(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        moduleInstance.store(instance);
    } else if (reason == DLL_PROCESS_DETACH) {
        moduleInstance.store(nullptr);
    }
    return TRUE;
}

HINSTANCE GetModuleInstance() noexcept {
    return moduleInstance.load();
}
