// The host's write stream.
#include "host/pipeline/HostWriteStream.h"

HostWriteStream::HostWriteStream(std::FILE* file)
    : HostComObject(IID_IPrintWriteStream), file(file) {}

HRESULT HostWriteStream::WriteBytes(const void* buffer, ULONG count, ULONG* written) {
    if ((buffer == nullptr && count != 0) || written == nullptr) {
        return E_POINTER;
    }
    *written = 0;
    if (closed) {
        return E_UNEXPECTED;
    }
    const std::size_t done = count == 0 ? 0 : std::fwrite(buffer, 1, count, file);
    *written = static_cast<ULONG>(done);
    total += done;
    if (done != count) {
        failed = true;
        return kWriteFault;
    }
    return S_OK;
}

void HostWriteStream::Close() {
    if (!closed && std::fflush(file) != 0) {
        failed = true;
    }
    closed = true;
}
