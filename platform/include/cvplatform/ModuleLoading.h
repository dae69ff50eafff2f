// Loading a module and finding its exports, for the Linux build (dlopen underneath).
#pragma once

#include "cvplatform/PlatformApi.h"
#include "cvplatform/Win32Types.h"

CVPLATFORM_API HMODULE LoadLibraryW(LPCWSTR lpLibFileName);
CVPLATFORM_API FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName);
CVPLATFORM_API BOOL FreeLibrary(HMODULE hLibModule);
// Only the running executable's own path (hModule null) is known here; any other module handle
// fails with ERROR_NOT_SUPPORTED.
CVPLATFORM_API DWORD GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize);
