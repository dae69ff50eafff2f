// The read stream the host gives the filter: a file or standard input, handed out in the full
// count asked for unless the input ends, as the pipeline's streams do. A pipe cannot seek, so
// its first bytes are kept for the filter's rewind to the start. The filter asks for a few bytes
// at a time, so a regular file is read ahead in large blocks rather than in stdio's 4 KB.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>

#include "host/pipeline/HostComObject.h"

class HostReadStream : public HostComObject<IPrintReadStream> {
  public:
    // Bytes of a pipe kept for rewinding; the filter reads 4 before it rewinds.
    static constexpr std::size_t kRewindableHead = 65536;
    // The block read ahead; a request at least this large goes straight into the filter's buffer.
    static constexpr std::size_t kReadAhead = 256 * 1024;

    // `file` stays the caller's; `seekable` says whether it is a regular file.
    HostReadStream(std::FILE* file, bool seekable);

    HRESULT STDMETHODCALLTYPE Seek(LONGLONG offset, DWORD origin, ULONGLONG* newPosition) override;
    HRESULT STDMETHODCALLTYPE ReadBytes(void* buffer, ULONG requested, ULONG* read,
                                        BOOL* endOfFile) override;

    // Called with each of the input's bytes once, in order, the first time the filter reads them.
    using Observer = std::function<void(const char* bytes, std::size_t count)>;
    void ObserveFirstReads(Observer observer) { this->observer = std::move(observer); }

    // The farthest position the filter read to: the input's bytes it consumed.
    ULONGLONG BytesConsumed() const noexcept { return farthest; }

  private:
    HRESULT SeekFile(ULONGLONG target);
    // Hands out `count` bytes from the block read ahead, refilling it, until the end or an error.
    std::size_t ReadFile(char* buffer, std::size_t count, bool& failed);
    // Reads up to `count` bytes from the file itself; notes its end or its error.
    std::size_t ReadFromFile(char* buffer, std::size_t count, bool& failed);

    std::FILE* file;
    bool seekable;
    Observer observer;
    std::string head;
    std::string ahead;
    std::size_t aheadAt = 0;
    ULONGLONG position = 0;
    ULONGLONG taken = 0;
    ULONGLONG farthest = 0;
    bool ended = false;
    bool faulted = false;
};
