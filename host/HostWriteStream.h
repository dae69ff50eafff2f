// The write stream the host gives the filter: every block goes to the output file (or standard
// output) as it comes, so nothing of the job is held in memory.
#pragma once

#include <cstdio>
#include <functional>

#include "HostComObject.h"

class HostWriteStream : public HostComObject<IPrintWriteStream> {
  public:
    using Observer = std::function<void(const char* bytes, std::size_t count)>;

    // `file` stays the caller's; `observer`, when given, sees each block written.
    HostWriteStream(std::FILE* file, Observer observer);

    HRESULT STDMETHODCALLTYPE WriteBytes(const void* buffer, ULONG count, ULONG* written) override;
    void STDMETHODCALLTYPE Close() override;

    ULONGLONG BytesWritten() const noexcept { return total; }
    bool Closed() const noexcept { return closed; }
    // A write or the final flush failed: the output is not complete.
    bool Failed() const noexcept { return failed; }

  private:
    std::FILE* file;
    Observer observer;
    ULONGLONG total = 0;
    bool closed = false;
    bool failed = false;
};
