// The module's three exports: the entry point, the unload check and the class object.
#include <new>

#include "CClassFactory.h"
#include "FilterClassId.h"
#include "ModuleObjectCount.h"
#include "PDLStreamFilter.h"
#include "companion/FilterUtilities/DllMainImpl.h"

#if defined(_WIN32)
#define CV_MODULE_EXPORT
#else
#define CV_MODULE_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {

CV_MODULE_EXPORT BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    return DllMain_impl(instance, reason, reserved);
}

CV_MODULE_EXPORT HRESULT STDMETHODCALLTYPE DllCanUnloadNow() {
    return ModuleObjectCount::Current() == 0 ? S_OK : S_FALSE;
}

CV_MODULE_EXPORT HRESULT STDMETHODCALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid,
                                                             LPVOID* ppv) {
    if (ppv == nullptr) {
        return E_POINTER;
    }
    *ppv = nullptr;
    if (!IsEqualGUID(rclsid, CLSID_PDLStreamFilter)) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    auto* factory = new (std::nothrow) CClassFactory<PDLStreamFilter>(rclsid);
    if (factory == nullptr) {
        return E_OUTOFMEMORY;
    }
    const HRESULT result = factory->QueryInterface(riid, ppv);
    factory->Release();
    return result;
}

}  // extern "C"
