// The class factory of the module's one class. A new factory serves every DllGetClassObject call;
// a server lock is held per factory and counts once in the module object count however often it
// is taken.
#pragma once

#include <new>

#include "ModuleObjectCount.h"
#include "companion/FilterUtilities/CUnknown.h"
#include "companion/Utilities/ComExceptionBoundary.h"

template <typename Product>
class CClassFactory final : public CUnknown<IClassFactory> {
  public:
    explicit CClassFactory(const CLSID& classId) : CUnknown(IID_IClassFactory, classId) {}

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid,
                                             void** ppvObject) override {
        if (ppvObject == nullptr) {
            return E_POINTER;
        }
        *ppvObject = nullptr;
        if (outer != nullptr) {
            return CLASS_E_NOAGGREGATION;
        }
        return RunAtComBoundary([&] { return CreateInstance_throws(riid, ppvObject); });
    }

    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock) {
            if (InterlockedIncrement(&lockCount) == 1) {
                ModuleObjectCount::Increment();
            }
        } else {
            Unlock();
        }
        return S_OK;
    }

  private:
    ~CClassFactory() override = default;

    // The new object starts with one reference; the query adds the caller's, and dropping the
    // construction reference afterwards destroys the object when the query failed.
    HRESULT CreateInstance_throws(REFIID riid, void** ppvObject) {
        Product* object = new Product();
        const HRESULT result = object->QueryInterface(riid, ppvObject);
        if (SUCCEEDED(result)) {
            // The object keeps answering its own interface when it was asked for as IUnknown.
            object->SetIdentity(GetClassId(),
                                IsEqualGUID(riid, IID_IUnknown) ? object->GetInterfaceId() : riid);
        }
        object->Release();
        return result;
    }

    // An unlock without a lock is ignored: letting the count go below zero would make the next
    // lock invisible to the module count, and the module could be unloaded under its factory.
    void Unlock() noexcept {
        LONG current = InterlockedCompareExchange(&lockCount, 0, 0);
        while (current > 0) {
            const LONG seen = InterlockedCompareExchange(&lockCount, current - 1, current);
            if (seen == current) {
                if (current == 1) {
                    ModuleObjectCount::Decrement();
                }
                return;
            }
            current = seen;
        }
    }

    volatile LONG lockCount = 0;
};
