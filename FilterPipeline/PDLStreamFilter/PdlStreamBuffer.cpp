// Stream buffer and marker search.
#include "PdlStreamBuffer.h"

#include <algorithm>
#include <cstring>
#include <functional>

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
    const char* last = first + end;
    const char* found = std::search(
        first + start, last, std::boyer_moore_horspool_searcher(marker.begin(), marker.end()));
    if (found == last) {
        return std::nullopt;
    }
    return static_cast<DWORD>(found - first);
}
