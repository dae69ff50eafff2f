// The filter module as the pipeline manager sees it: a library loaded by path whose three exports
// are the only way in.
#pragma once

#include <string>

#include "seam/Win32Seam.h"

class FilterModule {
  public:
    // Loads the module; throws std::runtime_error naming the path and the export when the module
    // or one of its exports cannot be found.
    explicit FilterModule(const std::basic_string<WCHAR>& path);
    ~FilterModule();
    FilterModule(const FilterModule&) = delete;
    FilterModule& operator=(const FilterModule&) = delete;

    BOOL Main(HINSTANCE instance, DWORD reason, LPVOID reserved) const;
    HRESULT CanUnloadNow() const;
    HRESULT GetClassObject(REFCLSID classId, REFIID interfaceId, void** object) const;

    // The module file beside the running executable.
    static std::basic_string<WCHAR> PathBesideExecutable();

  private:
    using DllMainFunction = BOOL(WINAPI*)(HINSTANCE, DWORD, LPVOID);
    using DllCanUnloadNowFunction = HRESULT(STDMETHODCALLTYPE*)();
    using DllGetClassObjectFunction = HRESULT(STDMETHODCALLTYPE*)(REFCLSID, REFIID, LPVOID*);

    FARPROC Export(const char* name) const;

    HMODULE module = nullptr;
    DllMainFunction dllMain = nullptr;
    DllCanUnloadNowFunction dllCanUnloadNow = nullptr;
    DllGetClassObjectFunction dllGetClassObject = nullptr;
};
