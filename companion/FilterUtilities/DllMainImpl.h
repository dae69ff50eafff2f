// The module entry shared by the maker's filters: remembers the module's instance handle.
#pragma once

#include "seam/Win32Seam.h"

BOOL DllMain_impl(HINSTANCE instance, DWORD reason, LPVOID reserved);

// The instance handle of the loaded module, or null before DLL_PROCESS_ATTACH.
HINSTANCE GetModuleInstance() noexcept;
