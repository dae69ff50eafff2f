// Writing into the pipeline.
#include "PipelineOutput.h"

HRESULT PipelineOutput::WriteImpl(const BYTE* bytes, DWORD count, bool) {
    if (writer == nullptr) {
        return E_POINTER;
    }
    ULONG written = 0;
    const HRESULT result = writer->WriteBytes(bytes, count, &written);
    if (SUCCEEDED(result)) {
        Account().CountDelivered(count);
    }
    return result;
}
