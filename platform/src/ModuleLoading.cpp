// LoadLibraryW and friends over dlopen for the stand-in layer.
#include "cvplatform/ModuleLoading.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "NativePath.h"
#include "cvplatform/ErrorHandling.h"
#include "cvplatform/StringConversion.h"

HMODULE LoadLibraryW(LPCWSTR lpLibFileName) {
    if (lpLibFileName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    void* handle = dlopen(NativePathOf(lpLibFileName).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        SetLastError(ERROR_MOD_NOT_FOUND);
    }
    return static_cast<HMODULE>(handle);
}

FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
    if (hModule == nullptr || lpProcName == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    void* symbol = dlsym(static_cast<void*>(hModule), lpProcName);
    if (symbol == nullptr) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(symbol);
}

BOOL FreeLibrary(HMODULE hLibModule) {
    if (hLibModule == nullptr || dlclose(static_cast<void*>(hLibModule)) != 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

DWORD GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize) {
    if (hModule != nullptr) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return 0;
    }
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    path[length] = '\0';
    const int needed = MultiByteToWideChar(CP_UTF8, 0, path, -1, nullptr, 0);
    if (needed <= 0 || static_cast<DWORD>(needed) > nSize) {
        // As on Windows: the text is cut to the buffer, terminated, and the error says so.
        if (nSize > 0 && needed > 0) {
            std::u16string whole(static_cast<std::size_t>(needed), u'\0');
            MultiByteToWideChar(CP_UTF8, 0, path, -1, whole.data(), needed);
            std::copy_n(whole.begin(), nSize - 1, lpFilename);
            lpFilename[nSize - 1] = 0;
        }
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return nSize;
    }
    MultiByteToWideChar(CP_UTF8, 0, path, -1, lpFilename, needed);
    return static_cast<DWORD>(needed - 1);
}
