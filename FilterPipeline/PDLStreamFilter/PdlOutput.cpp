// The output's sticky failure and stop latch.
#include "PdlOutput.h"

#include "FilterFailure.h"

namespace {
constexpr const char* kSourceFile = "FilterPipeline\\PDLStreamFilter\\PdlOutput";
}

void PdlOutput::Write(const BYTE* bytes, DWORD count, bool endsSection) {
    if (FAILED(failure) || Stopped()) {
        return;
    }
    const HRESULT result = WriteImpl(bytes, count, endsSection);
    if (FAILED(result)) {
        failure = result;
    }
}

bool PdlOutput::Stopped() noexcept {
    stopped = stopped || (stopRequested != nullptr && stopRequested->load());
    return stopped;
}

void PdlOutput::ThrowIfInterrupted(const char* function, std::uint32_t line) {
    if (Stopped()) {
        RaiseFilterFailure(kSourceFile, kCancelledMessage, HRESULT_FROM_WIN32(ERROR_CANCELLED),
                           function, line);
    }
    if (FAILED(failure)) {
        RaiseFilterFailure(kSourceFile, "CPComException: delivering the print stream failed",
                           failure, function, line);
    }
}
