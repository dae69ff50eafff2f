// Growable bytes of the utility library: what is written into the print stream. Its size is a
// DWORD at every interface, so a buffer refuses to grow past 4 GiB - 1 rather than wrap.
#pragma once

#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "CPString.h"
#include "CXString.h"

class ByteBuffer {
  public:
    ByteBuffer() = default;

    static ByteBuffer createByteBufferWithUtf8EncodedStringData(const CPString& text);

    BYTE* getLpbyte() noexcept { return bytes.data(); }
    const BYTE* getLpbyte() const noexcept { return bytes.data(); }
    // The byte count.
    DWORD getDword() const noexcept { return static_cast<DWORD>(bytes.size()); }

    ByteBuffer& append(const ByteBuffer& other);
    ByteBuffer& append(const void* data, std::size_t count);
    // Appends the text in the ANSI code page, without a terminator; a character the code page
    // lacks becomes "?" (a surrogate pair is one character).
    ByteBuffer& appendAsAnsi_LossyForUnicode(const CXString& text);
    // Appends a UTF-16 terminator: two zero bytes.
    ByteBuffer& appendNullUtf16Char();
    // Empties the buffer and keeps its storage for the next use.
    void clear() noexcept { bytes.clear(); }
    // Grows the buffer by `count` bytes left for the caller to write, and returns where they start.
    BYTE* appendSpace(std::size_t count);

  private:
    // Growing the buffer leaves new bytes unset: they are written right after, and zeroing them
    // first would cost as much as copying them.
    template <typename T>
    struct UninitializedAllocator : std::allocator<T> {
        template <typename U>
        struct rebind {
            using other = UninitializedAllocator<U>;
        };
        template <typename U>
        void construct(U* place) noexcept {
            ::new (static_cast<void*>(place)) U;
        }
        template <typename U, typename... Args>
        void construct(U* place, Args&&... args) {
            ::new (static_cast<void*>(place)) U(std::forward<Args>(args)...);
        }
    };

    void ReserveFor(std::size_t count);

    std::vector<BYTE, UninitializedAllocator<BYTE>> bytes;
};
