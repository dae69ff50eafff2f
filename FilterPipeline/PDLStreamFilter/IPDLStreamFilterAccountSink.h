// The operation account: the filter's own record of what it did with one job, one JSON object per
// decision, handed to a sink that the pipeline manager (or an earlier filter) puts into the
// pipeline property bag as "PDLStreamFilterAccountSink" (VT_UNKNOWN answering this interface).
// docs/operation-account.md lists every record and its fields.
#pragma once

#include "seam/Win32Seam.h"

// {8E0D3491-842E-47A5-9D77-2FDF47A8F114}
inline constexpr IID IID_IPDLStreamFilterAccountSink = {
    0x8e0d3491, 0x842e, 0x47a5, {0x9d, 0x77, 0x2f, 0xdf, 0x47, 0xa8, 0xf1, 0x14}};

inline constexpr const WCHAR* kPDLStreamFilterAccountSinkProperty =
    WIDE("PDLStreamFilterAccountSink");

struct IPDLStreamFilterAccountSink : public IUnknown {
    // One record: `count` bytes of UTF-8 JSON text, an object whose "record" names its kind. Called
    // on the operation's thread as the job runs, in the order of the decisions. A failure or an
    // exception of the sink is ignored: it never changes the job.
    virtual HRESULT STDMETHODCALLTYPE Record(const char* json, ULONG count) = 0;
};
