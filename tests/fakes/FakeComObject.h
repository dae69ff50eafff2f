// Base of the test doubles of COM objects: an atomic reference count, the QueryInterface rule of
// one interface, and a process-wide count of live doubles so that a test can see every double
// released after the last Release.
#pragma once

#include <atomic>

#include "seam/FilterPipelineInterfaces.h"

class FakeComObjectCount {
  public:
    static std::atomic<int>& Live() {
        static std::atomic<int> live{0};
        return live;
    }
};

template <typename Interface>
class FakeComObject : public Interface {
  public:
    explicit FakeComObject(const IID& interfaceId) : interfaceId(interfaceId) {
        ++FakeComObjectCount::Live();
    }
    virtual ~FakeComObject() { --FakeComObjectCount::Live(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr) {
            return E_POINTER;
        }
        if (!IsEqualGUID(riid, IID_IUnknown) && !IsEqualGUID(riid, interfaceId)) {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        *ppv = static_cast<Interface*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references;
        if (left == 0) {
            delete this;
        }
        return left;
    }
    ULONG References() const { return references.load(); }

  private:
    std::atomic<ULONG> references{1};
    IID interfaceId;
};
