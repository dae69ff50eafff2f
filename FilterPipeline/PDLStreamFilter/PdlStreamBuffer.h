// The inserter's stream buffer: 131,072 working bytes (plus one that only ever holds the 0 written
// after a shift), filled from its first byte, with the marker search every insertion step uses.
#pragma once

#include <optional>
#include <string_view>

#include "companion/Utilities/ByteBuffer.h"

class PdlStreamBuffer {
  public:
    static constexpr DWORD kWorkingSize = 131072;

    PdlStreamBuffer();

    const BYTE* Data() const noexcept { return storage.getLpbyte(); }
    // Bytes held: from the first byte to the fill position.
    DWORD Held() const noexcept { return held; }
    DWORD Free() const noexcept { return kWorkingSize - held; }
    BYTE* FillPosition() noexcept { return storage.getLpbyte() + held; }
    // Takes `count` bytes just read at the fill position into the held bytes.
    void Advance(DWORD count) noexcept;
    // Drops the first `consumed` held bytes and moves the rest to the front.
    void Shift(DWORD consumed) noexcept;

    // The first occurrence of `marker` whose first byte lies at an offset from `start` to
    // `start` + `count` - 1 and whose bytes all lie among the bytes held; none when `count` is 0.
    std::optional<DWORD> FindMarker(DWORD start, DWORD count, std::string_view marker) const;

  private:
    ByteBuffer storage;
    DWORD held = 0;
};
