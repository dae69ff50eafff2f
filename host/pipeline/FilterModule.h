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
    HMODULE Handle() const noexcept { return module; }

    // The module file beside the running executable.
    static std::basic_string<WCHAR> PathBesideExecutable();

  private:
    using DllMainFunction = BOOL(WINAPI*)(HINSTANCE, DWORD, LPVOID);
    using DllCanUnloadNowFunction = HRESULT(STDMETHODCALLTYPE*)();
    using DllGetClassObjectFunction = HRESULT(STDMETHODCALLTYPE*)(REFCLSID, REFIID, LPVOID*);

    FARPROC ExportedAddress(const char* name) const;

    // GetProcAddress gives a generic function pointer; the export's real type is ours to know.
    template <typename Function>
    Function Export(const char* name) const {
        return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(ExportedAddress(name)));
    }

    HMODULE module = nullptr;
    DllMainFunction dllMain = nullptr;
    DllCanUnloadNowFunction dllCanUnloadNow = nullptr;
    DllGetClassObjectFunction dllGetClassObject = nullptr;
};
