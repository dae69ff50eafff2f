// A shared pointer for objects that never leave their thread: its 16-byte control block comes from
// the thread's pool and its use count is a plain integer. When the pool has no block the pointer
// is null and the object is deleted at once, so nothing leaks.
#pragma once

#include <cstdint>
#include <new>
#include <utility>

#include "UtilitiesDllPerThreadStorage.h"

template <typename T>
class CvoSharedPtr {
  public:
    CvoSharedPtr() noexcept = default;
    explicit CvoSharedPtr(T* object, bool owns = true) noexcept {
        if (object == nullptr) {
            return;
        }
        void* memory = UtilitiesDllPerThreadStorage::GetSharedPtrMemoryPool().AllocateFromPool(
            sizeof(ControlBlock));
        if (memory == nullptr) {
            if (owns) {
                delete object;
            }
            return;
        }
        block = new (memory) ControlBlock{object, 1, owns};
    }
    CvoSharedPtr(const CvoSharedPtr& other) noexcept : block(other.block) {
        if (block != nullptr) {
            ++block->useCount;
        }
    }
    CvoSharedPtr(CvoSharedPtr&& other) noexcept : block(std::exchange(other.block, nullptr)) {}
    CvoSharedPtr& operator=(CvoSharedPtr other) noexcept {
        std::swap(block, other.block);
        return *this;
    }
    ~CvoSharedPtr() { reset(); }

    void reset() noexcept {
        ControlBlock* old = std::exchange(block, nullptr);
        if (old == nullptr || --old->useCount > 0) {
            return;
        }
        if (old->owns) {
            delete old->object;
        }
        old->~ControlBlock();
        UtilitiesDllPerThreadStorage::GetSharedPtrMemoryPool().ReturnToPool(old,
                                                                            sizeof(ControlBlock));
    }

    T* get() const noexcept { return block != nullptr ? block->object : nullptr; }
    T* operator->() const noexcept { return get(); }
    T& operator*() const noexcept { return *get(); }
    explicit operator bool() const noexcept { return block != nullptr; }

  private:
    struct ControlBlock {
        T* object;
        std::uint32_t useCount;
        bool owns;
    };
    static_assert(sizeof(ControlBlock) == 16, "the control block is one 16-byte pool block");

    ControlBlock* block = nullptr;
};
