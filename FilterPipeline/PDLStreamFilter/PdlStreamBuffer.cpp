// Stream buffer and marker search.
#include "PdlStreamBuffer.h"

#include <algorithm>
#include <cstring>

PdlStreamBuffer::PdlStreamBuffer() {
    std::memset(storage.appendSpace(kWorkingSize + 1), 0, kWorkingSize + 1);
}

void PdlStreamBuffer::Advance(DWORD count) noexcept {
    held += std::min(count, Free());
}

void PdlStreamBuffer::Shift(DWORD consumed) noexcept {
    consumed = std::min(consumed, held);
    BYTE* data = storage.getLpbyte();
    std::memmove(data, data + consumed, held - consumed);
    held -= consumed;
    data[held] = 0;
}

std::optional<DWORD> PdlStreamBuffer::FindMarker(DWORD start, DWORD count,
                                                 std::string_view marker) const {
    if (count == 0 || marker.empty() || start >= held || held - start < marker.size()) {
        return std::nullopt;
    }
    // Only occurrences that start in the range can end the search, and none may run past the
    // bytes held: the searched stretch ends where the last candidate would end.
    const char* first = reinterpret_cast<const char*>(Data());
    const std::uint64_t end =
        std::min<std::uint64_t>(held, std::uint64_t{start} + count + marker.size() - 1);
    // string_view::find steps from candidate to candidate with memchr on the marker's first byte
    // and compares only there; the markers start with bytes that are rare in page content.
    const std::string_view stretch(first + start, static_cast<std::size_t>(end - start));
    const std::size_t at = stretch.find(marker);
    if (at == std::string_view::npos) {
        return std::nullopt;
    }
    const char* found = stretch.data() + at;
    return static_cast<DWORD>(found - first);
}
