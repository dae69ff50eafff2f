// Reference counting and QueryInterface for the objects of the filter base library. An object
// answers IUnknown and the one interface it is registered for; it starts with one reference and
// destroys itself through its virtual destructor when the last one goes.
#pragma once

#include "seam/Win32Seam.h"

template <typename Interface>
class CUnknown : public Interface {
  public:
    CUnknown(const IID& interfaceId, const CLSID& classId)
        : refCount(1), interfaceId(interfaceId), classId(classId) {}
    CUnknown(const CUnknown&) = delete;
    CUnknown& operator=(const CUnknown&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override {
        if (ppvObject == nullptr) {
            return E_POINTER;
        }
        if (!IsEqualGUID(riid, IID_IUnknown) && !IsEqualGUID(riid, interfaceId)) {
            *ppvObject = nullptr;
            return E_NOINTERFACE;
        }
        *ppvObject = static_cast<Interface*>(this);
        this->AddRef();
        return S_OK;
    }

    ULONG STDMETHODCALLTYPE AddRef() override {
        return static_cast<ULONG>(InterlockedIncrement(&refCount));
    }

    ULONG STDMETHODCALLTYPE Release() override {
        const LONG remaining = InterlockedDecrement(&refCount);
        if (remaining == 0) {
            delete this;
        }
        return static_cast<ULONG>(remaining);
    }

    virtual ~CUnknown() = default;

    // The class factory records under which class and interface the object was handed out.
    void SetIdentity(const CLSID& newClassId, const IID& newInterfaceId) {
        classId = newClassId;
        interfaceId = newInterfaceId;
    }
    const CLSID& GetClassId() const noexcept { return classId; }
    const IID& GetInterfaceId() const noexcept { return interfaceId; }

  private:
    volatile LONG refCount;
    IID interfaceId;
    CLSID classId;
};
