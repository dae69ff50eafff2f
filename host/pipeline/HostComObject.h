// Reference counting and QueryInterface for the pipeline objects the host hands to the filter:
// each answers IUnknown and its one interface, and goes with its last Release.
#pragma once

#include <atomic>

#include "seam/FilterPipelineInterfaces.h"

template <typename Interface>
class HostComObject : public Interface {
  public:
    explicit HostComObject(const IID& interfaceId) : interfaceId(interfaceId) {}
    HostComObject(const HostComObject&) = delete;
    HostComObject& operator=(const HostComObject&) = delete;
    virtual ~HostComObject() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        if (!IsEqualGUID(riid, IID_IUnknown) && !IsEqualGUID(riid, interfaceId)) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<Interface*>(this);
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

  private:
    std::atomic<ULONG> references{1};
    IID interfaceId;
};
