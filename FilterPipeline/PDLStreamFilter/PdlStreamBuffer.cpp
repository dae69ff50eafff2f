// Stream buffer and marker search.
#include "PdlStreamBuffer.h"

#include <algorithm>
#include <cstring>

PdlStreamBuffer::PdlStreamBuffer(bool reuse)
    : reuse(reuse), capacity(reuse ? 2 * kWorkingSize + 1 : kWorkingSize + 1) {
    std::memset(storage.appendSpace(capacity), 0, capacity);
}

void PdlStreamBuffer::MakeRoom(DWORD count) noexcept {
    if (!reuse || front + held + count + 1 <= capacity) {
        return;
    }
    BYTE* start = storage.getLpbyte();
    std::memmove(start, start + front, held);
    front = 0;
    start[held] = 0;
}

void PdlStreamBuffer::Advance(DWORD count) noexcept {
    held += std::min(count, Free());
}

void PdlStreamBuffer::Shift(DWORD consumed) noexcept {
    consumed = std::min(consumed, held);
    if (reuse) {
        front += consumed;
    } else {
        BYTE* data = storage.getLpbyte();
        std::memmove(data, data + consumed, held - consumed);
    }
    held -= consumed;
    storage.getLpbyte()[front + held] = 0;
    for (Search& search : searches) {
        search.clear = search.clear > consumed ? search.clear - consumed : 0;
        search.found = search.found && *search.found >= consumed
                           ? std::optional<DWORD>(*search.found - consumed)
                           : std::nullopt;
    }
}

PdlStreamBuffer::Search& PdlStreamBuffer::SearchFor(std::string_view marker) const {
    for (Search& search : searches) {
        if (search.marker == marker.data() && search.size == marker.size()) {
            return search;
        }
    }
    return searches.emplace_back(Search{marker.data(), marker.size(), 0, std::nullopt});
}

// From the front, a search resumes behind what is known to hold no occurrence, and a first
// occurrence found stays the answer until it is shifted out.
std::optional<DWORD> PdlStreamBuffer::FindMarker(DWORD start, DWORD count,
                                                 std::string_view marker) const {
    if (!reuse || start != 0 || count == 0 || marker.empty()) {
        return Scan(start, count, marker);
    }
    Search& search = SearchFor(marker);
    if (search.found) {
        return *search.found < count ? search.found : std::nullopt;
    }
    if (search.clear >= count) {
        return std::nullopt;
    }
    const std::optional<DWORD> found = Scan(search.clear, count - search.clear, marker);
    if (found) {
        search.found = found;
        return found;
    }
    // Every candidate before `count` whose bytes are all held was looked at.
    const DWORD checked = held >= marker.size() ? held - static_cast<DWORD>(marker.size()) + 1 : 0;
    search.clear = std::max(search.clear, std::min(count, checked));
    return std::nullopt;
}

std::optional<DWORD> PdlStreamBuffer::Scan(DWORD start, DWORD count,
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
    return static_cast<DWORD>(stretch.data() + at - first);
}
