// The host's read stream.
#include "host/pipeline/HostReadStream.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr HRESULT kReadFault = static_cast<HRESULT>(0x8007001E);       // ERROR_READ_FAULT
constexpr HRESULT kCannotSeek = static_cast<HRESULT>(0x80030001);      // STG_E_INVALIDFUNCTION
constexpr HRESULT kSeekOutOfRange = static_cast<HRESULT>(0x80030019);  // STG_E_SEEKERROR

int SeekTo(std::FILE* file, ULONGLONG target) {
#if defined(_WIN32)
    return _fseeki64(file, static_cast<long long>(target), SEEK_SET);
#else
    return fseeko(file, static_cast<off_t>(target), SEEK_SET);
#endif
}
}  // namespace

HostReadStream::HostReadStream(std::FILE* file, bool seekable)
    : HostComObject(IID_IPrintReadStream), file(file), seekable(seekable) {}

HRESULT HostReadStream::Seek(LONGLONG offset, DWORD origin, ULONGLONG* newPosition) {
    if (origin == STREAM_SEEK_END) {
        return kCannotSeek;
    }
    const LONGLONG base = origin == STREAM_SEEK_SET ? 0 : static_cast<LONGLONG>(position);
    if (origin > STREAM_SEEK_CUR || base + offset < 0) {
        return origin > STREAM_SEEK_CUR ? E_INVALIDARG : kSeekOutOfRange;
    }
    const HRESULT result = SeekFile(static_cast<ULONGLONG>(base + offset));
    if (SUCCEEDED(result) && newPosition != nullptr) {
        *newPosition = position;
    }
    return result;
}

// A pipe goes back only within its kept head, and only while nothing past the head was read.
HRESULT HostReadStream::SeekFile(ULONGLONG target) {
    if (seekable) {
        if (SeekTo(file, target) != 0) {
            return kSeekOutOfRange;
        }
        position = taken = target;
        ended = false;
        faulted = false;
        ahead.clear();
        aheadAt = 0;
        return S_OK;
    }
    if (taken != head.size() || target > head.size()) {
        return kCannotSeek;
    }
    position = target;
    return S_OK;
}

std::size_t HostReadStream::ReadFromFile(char* buffer, std::size_t count, bool& failed) {
    std::size_t total = 0;
    while (total < count && !ended) {
        const std::size_t got = std::fread(buffer + total, 1, count - total, file);
        total += got;
        if (got == 0) {
            failed = std::ferror(file) != 0;
            ended = !failed;
            break;
        }
    }
    return total;
}

// A failure of the file reaches the filter only once the bytes read ahead before it are taken.
std::size_t HostReadStream::ReadFile(char* buffer, std::size_t count, bool& failed) {
    // A pipe is read for what the filter asks only: a block read ahead would wait for 256 KB
    // from a slow writer, and the filter would see a cancellation only after it.
    if (!seekable) {
        return ReadFromFile(buffer, count, failed);
    }
    std::size_t total = 0;
    while (total < count) {
        if (aheadAt == ahead.size()) {
            if (ended || faulted) {
                break;
            }
            if (count - total >= kReadAhead) {
                total += ReadFromFile(buffer + total, count - total, faulted);
                break;
            }
            ahead.resize(kReadAhead);
            ahead.resize(ReadFromFile(ahead.data(), kReadAhead, faulted));
            aheadAt = 0;
            continue;
        }
        const std::size_t part = std::min(count - total, ahead.size() - aheadAt);
        std::memcpy(buffer + total, ahead.data() + aheadAt, part);
        aheadAt += part;
        total += part;
    }
    failed = faulted && aheadAt == ahead.size();
    return total;
}

HRESULT HostReadStream::ReadBytes(void* buffer, ULONG requested, ULONG* read, BOOL* endOfFile) {
    if (buffer == nullptr || read == nullptr || endOfFile == nullptr) {
        return E_POINTER;
    }
    char* out = static_cast<char*>(buffer);
    std::size_t total = 0;
    if (!seekable && position < head.size()) {
        total = std::min<std::size_t>(requested, head.size() - static_cast<std::size_t>(position));
        std::memcpy(out, head.data() + position, total);
    }
    bool failed = false;
    const std::size_t fresh = ReadFile(out + total, requested - total, failed);
    if (!seekable && taken == head.size() && head.size() < kRewindableHead) {
        head.append(out + total, std::min(fresh, kRewindableHead - head.size()));
    }
    taken += fresh;
    total += fresh;
    if (observer && position + total > farthest) {
        const auto firstTime = static_cast<std::size_t>(std::max(farthest, position) - position);
        observer(out + firstTime, total - firstTime);
    }
    position += total;
    farthest = std::max(farthest, position);
    *read = static_cast<ULONG>(total);
    const bool headLeft = !seekable && position < head.size();
    *endOfFile = ended && aheadAt == ahead.size() && !headLeft ? TRUE : FALSE;
    return failed ? kReadFault : S_OK;
}
