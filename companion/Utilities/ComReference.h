// A counted reference to a COM interface: AddRef when taken, Release when dropped.
#pragma once

#include <utility>

#include "seam/Win32Seam.h"

template <typename Interface>
class ComReference {
  public:
    ComReference() = default;
    explicit ComReference(Interface* pointer) : pointer(pointer) {
        if (pointer != nullptr) {
            pointer->AddRef();
        }
    }
    ComReference(const ComReference& other) : ComReference(other.pointer) {}
    ComReference(ComReference&& other) noexcept : pointer(std::exchange(other.pointer, nullptr)) {}
    ComReference& operator=(ComReference other) noexcept {
        std::swap(pointer, other.pointer);
        return *this;
    }
    ~ComReference() { Reset(); }

    // Takes over a reference the caller already owns (an out parameter's), without AddRef.
    static ComReference Adopt(Interface* owned) {
        ComReference reference;
        reference.pointer = owned;
        return reference;
    }

    void Reset() noexcept {
        if (Interface* old = std::exchange(pointer, nullptr)) {
            old->Release();
        }
    }

    Interface* Get() const noexcept { return pointer; }
    Interface* operator->() const noexcept { return pointer; }
    explicit operator bool() const noexcept { return pointer != nullptr; }

  private:
    Interface* pointer = nullptr;
};
