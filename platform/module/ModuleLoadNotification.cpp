// Plays the Windows loader's part for the filter module on Linux: DllMain hears of the module's
// load and unload, with the module's base address as its instance handle.
#include <dlfcn.h>

#include "cvplatform/Win32Types.h"

extern "C" BOOL DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);

namespace {
HINSTANCE OwnBaseAddress() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&DllMain), &info) == 0) {
        return nullptr;
    }
    return static_cast<HINSTANCE>(info.dli_fbase);
}

__attribute__((constructor)) void NotifyProcessAttach() {
    DllMain(OwnBaseAddress(), DLL_PROCESS_ATTACH, nullptr);
}

__attribute__((destructor)) void NotifyProcessDetach() {
    DllMain(OwnBaseAddress(), DLL_PROCESS_DETACH, nullptr);
}
}  // namespace
