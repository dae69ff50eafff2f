// The write stream the host gives the filter: small deliveries (a page's feature code, an item, a
// one-byte line end) are gathered and go to the output file (or standard output) in large writes,
// at most kHeld bytes at a time, so that a consumer behind a pipe never waits on more than that;
// a delivery that large goes out at once. Close writes what is held.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "host/pipeline/HostComObject.h"

class HostWriteStream : public HostComObject<IPrintWriteStream> {
  public:
    // What a write that did not take every byte returns, and what a run whose output could not be
    // completed reports: HRESULT_FROM_WIN32(ERROR_WRITE_FAULT).
    static constexpr HRESULT kWriteFault = static_cast<HRESULT>(0x8007001D);
    static constexpr std::size_t kHeld = 256u << 10;

    // `file` stays the caller's.
    explicit HostWriteStream(std::FILE* file);

    HRESULT STDMETHODCALLTYPE WriteBytes(const void* buffer, ULONG count, ULONG* written) override;
    void STDMETHODCALLTYPE Close() override;

    // The bytes that reached the file.
    ULONGLONG BytesWritten() const noexcept { return total; }
    bool Closed() const noexcept { return closed; }
    // A write, a flush of the held bytes or the final flush failed: the output is not complete.
    bool Failed() const noexcept { return failed; }
    // The system's words for the first failed write ("No space left on device"); empty when it
    // gave none.
    std::string FailureReason() const;

  private:
    // Writes `count` bytes to the file; false (and the stream failed) when it takes fewer.
    bool Put(const char* bytes, std::size_t count);
    bool Flush();

    std::FILE* file;
    std::vector<char> held;
    ULONGLONG total = 0;
    bool closed = false;
    bool failed = false;
    int error = 0;
};
