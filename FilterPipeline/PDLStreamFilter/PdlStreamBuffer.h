// The inserter's stream buffer: 131,072 working bytes held from its front (plus one byte that only
// ever holds the 0 written after a shift), with the marker search every insertion step uses.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "companion/Utilities/ByteBuffer.h"

class PdlStreamBuffer {
  public:
    static constexpr DWORD kWorkingSize = 131072;

    // `reuse` lets the buffer keep what it learned: a search from the front resumes where the last
    // one of the same marker stopped, and a shift moves the front instead of the bytes (they move
    // only when the tail has no room for a refill). Without it every search covers its whole range
    // and every shift moves the rest of the working area down: the same results, more work.
    explicit PdlStreamBuffer(bool reuse = true);

    const BYTE* Data() const noexcept { return storage.getLpbyte() + front; }
    // Bytes held: from the front to the fill position.
    DWORD Held() const noexcept { return held; }
    DWORD Free() const noexcept { return kWorkingSize - held; }
    BYTE* FillPosition() noexcept { return storage.getLpbyte() + front + held; }
    // Makes sure `count` bytes fit behind the held ones before they are read in.
    void MakeRoom(DWORD count) noexcept;
    // Takes `count` bytes just read at the fill position into the held bytes.
    void Advance(DWORD count) noexcept;
    // Drops the first `consumed` held bytes.
    void Shift(DWORD consumed) noexcept;

    // The first occurrence of `marker` whose first byte lies at an offset from `start` to
    // `start` + `count` - 1 and whose bytes all lie among the bytes held; none when `count` is 0.
    std::optional<DWORD> FindMarker(DWORD start, DWORD count, std::string_view marker) const;

  private:
    // What is known of one marker from the front: no occurrence starts before `clear`, and the
    // first one, once found, is at `found`. Held bytes never change, so this stays true until
    // they are shifted out.
    struct Search {
        const char* marker;
        std::size_t size;
        DWORD clear;
        std::optional<DWORD> found;
    };

    std::optional<DWORD> Scan(DWORD start, DWORD count, std::string_view marker) const;
    Search& SearchFor(std::string_view marker) const;

    bool reuse;
    ByteBuffer storage;
    DWORD capacity;
    DWORD front = 0;
    DWORD held = 0;
    mutable std::vector<Search> searches;
};
