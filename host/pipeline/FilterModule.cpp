// Loading the filter module and reaching its exports.
#include "host/pipeline/FilterModule.h"
#include "companion/Utilities/SystemErrorText.h"

#include <stdexcept>

#include "companion/Utilities/SystemErrorText.h"
#include "host/job/TextConversion.h"

#ifndef CV_FILTER_MODULE_FILE_NAME
#error "the build names the filter module's file"
#endif

FilterModule::FilterModule(const std::basic_string<WCHAR>& path) {
    module = LoadLibraryW(path.c_str());
    if (module == nullptr) {
        throw std::runtime_error("cannot load the filter module " + TextConversion::ToUtf8(path) +
                                 " (" + SystemErrorText::Of(GetLastError()) + ")");
    }
    try {
        dllMain = Export<DllMainFunction>("DllMain");
        dllCanUnloadNow = Export<DllCanUnloadNowFunction>("DllCanUnloadNow");
        dllGetClassObject = Export<DllGetClassObjectFunction>("DllGetClassObject");
    } catch (...) {
        FreeLibrary(module);
        throw;
    }
}

FilterModule::~FilterModule() {
    FreeLibrary(module);
}

FARPROC FilterModule::ExportedAddress(const char* name) const {
    FARPROC function = GetProcAddress(module, name);
    if (function == nullptr) {
        throw std::runtime_error(std::string("the filter module does not export ") + name);
    }
    return function;
}

BOOL FilterModule::Main(HINSTANCE instance, DWORD reason, LPVOID reserved) const {
    return dllMain(instance, reason, reserved);
}

HRESULT FilterModule::CanUnloadNow() const {
    return dllCanUnloadNow();
}

HRESULT FilterModule::GetClassObject(REFCLSID classId, REFIID interfaceId, void** object) const {
    return dllGetClassObject(classId, interfaceId, object);
}

std::basic_string<WCHAR> FilterModule::PathBesideExecutable() {
    std::basic_string<WCHAR> path(32768, 0);
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0 || length >= path.size()) {
        throw std::runtime_error("cannot find the running executable's path");
    }
    path.resize(length);
    const auto slash = path.find_last_of(WIDE("/\\"));
    path.resize(slash == std::basic_string<WCHAR>::npos ? 0 : slash + 1);
    return path + TextConversion::FromUtf8(CV_FILTER_MODULE_FILE_NAME);
}
