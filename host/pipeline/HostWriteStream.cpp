// The host's write stream.
#include "host/pipeline/HostWriteStream.h"

#include <cerrno>
#include <cstring>

HostWriteStream::HostWriteStream(std::FILE* file)
    : HostComObject(IID_IPrintWriteStream), file(file) {
    held.reserve(kHeld);
}

// A failure of bytes held from an earlier delivery fails this one: the filter learns of it at
// its next write, and the run's outcome says the output is incomplete.
HRESULT HostWriteStream::WriteBytes(const void* buffer, ULONG count, ULONG* written) {
    if ((buffer == nullptr && count != 0) || written == nullptr) {
        return E_POINTER;
    }
    *written = 0;
    if (closed) {
        return E_UNEXPECTED;
    }
    const char* bytes = static_cast<const char*>(buffer);
    if (held.size() + count > kHeld && !Flush()) {
        return kWriteFault;
    }
    if (count >= kHeld) {
        if (!Put(bytes, count)) {
            return kWriteFault;
        }
    } else {
        held.insert(held.end(), bytes, bytes + count);
    }
    *written = count;
    return S_OK;
}

void HostWriteStream::Close() {
    if (!closed && Flush()) {
        errno = 0;
        if (std::fflush(file) != 0 && !failed) {
            failed = true;
            error = errno;
        }
    }
    closed = true;
}

bool HostWriteStream::Put(const char* bytes, std::size_t count) {
    errno = 0;
    const std::size_t done = count == 0 ? 0 : std::fwrite(bytes, 1, count, file);
    total += done;
    if (done != count && !failed) {
        failed = true;
        error = errno;
    }
    return done == count;
}

std::string HostWriteStream::FailureReason() const {
    return error != 0 ? std::strerror(error) : std::string();
}

bool HostWriteStream::Flush() {
    const bool put = Put(held.data(), held.size());
    held.clear();
    return put;
}
