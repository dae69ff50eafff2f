// The write stream the host gives the filter: every block goes to the output file (or standard
// output) as it comes, so nothing of the job is held in memory.
#pragma once

#include <cstdio>

#include "host/pipeline/HostComObject.h"

class HostWriteStream : public HostComObject<IPrintWriteStream> {
  public:
    // What a write that did not take every byte returns, and what a run whose output could not be
    // completed reports: HRESULT_FROM_WIN32(ERROR_WRITE_FAULT).
    static constexpr HRESULT kWriteFault = static_cast<HRESULT>(0x8007001D);

    // `file` stays the caller's.
    explicit HostWriteStream(std::FILE* file);

    HRESULT STDMETHODCALLTYPE WriteBytes(const void* buffer, ULONG count, ULONG* written) override;
    void STDMETHODCALLTYPE Close() override;

    ULONGLONG BytesWritten() const noexcept { return total; }
    bool Closed() const noexcept { return closed; }
    // A write or the final flush failed: the output is not complete.
    bool Failed() const noexcept { return failed; }

  private:
    std::FILE* file;
    ULONGLONG total = 0;
    bool closed = false;
    bool failed = false;
};
