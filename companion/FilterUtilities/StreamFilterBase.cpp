// Stream filter base: opening and closing the pipeline streams.
#include "StreamFilterBase.h"

#include <utility>

#include "companion/Utilities/CPComException.h"
#include "companion/Utilities/PipelineProperty.h"

namespace {
// Asks the communicator for one end of the pipeline and makes sure it is the interface expected.
template <typename Stream, typename Request>
ComReference<Stream> OpenStream_throws(Request request, const IID& interfaceId, const char* what) {
    void* raw = nullptr;
    HRESULT result = request(&raw);
    if (SUCCEEDED(result) && raw == nullptr) {
        result = E_POINTER;
    }
    if (FAILED(result)) {
        throw CPComException(std::string("InitializeIO: the pipeline gave no ") + what,
                             GetLastError(), CV_DEBUG_CONTEXT(kLibraryCategoryMask), result);
    }
    auto* unknown = static_cast<IUnknown*>(raw);
    void* typed = nullptr;
    result = unknown->QueryInterface(interfaceId, &typed);
    unknown->Release();
    if (FAILED(result)) {
        throw CPComException(
            std::string("InitializeIO: the pipeline's ") + what + " lacks the expected interface",
            GetLastError(), CV_DEBUG_CONTEXT(kLibraryCategoryMask), result);
    }
    return ComReference<Stream>::Adopt(static_cast<Stream*>(typed));
}
}  // namespace

StreamFilterBase::StreamFilterBase() = default;

StreamFilterBase::~StreamFilterBase() = default;

void StreamFilterBase::InitializeIO_throws(IInterFilterCommunicator* communicator) {
    readStream = OpenStream_throws<IPrintReadStream>(
        [communicator](void** out) { return communicator->RequestReader(out); },
        IID_IPrintReadStream, "read stream");
    writeStream = OpenStream_throws<IPrintWriteStream>(
        [communicator](void** out) { return communicator->RequestWriter(out); },
        IID_IPrintWriteStream, "write stream");
}

// The job facts the pipeline provides under its standard names; one that is missing or of another
// type leaves its default.
void StreamFilterBase::OnInitializeFilter() {
    IPrintPipelinePropertyBag* bag = GetIPrintPipelinePropertyBagPtr();
    if (auto name = PipelineProperty(bag, WIDE("PrinterName")).String()) {
        printerName = std::move(*name);
    }
    if (const auto handle = PipelineProperty(bag, WIDE("PrinterHandle")).Pointer()) {
        printerHandle = static_cast<HANDLE>(*handle);
    }
    if (const auto token = PipelineProperty(bag, WIDE("UserSecurityToken")).Pointer()) {
        userToken = static_cast<HANDLE>(*token);
    }
    if (const auto job = PipelineProperty(bag, WIDE("PrintJobId")).UnsignedLong()) {
        jobId = *job;
    }
}

void StreamFilterBase::CloseWriter() noexcept {
    if (writeStream) {
        writeStream->Close();
        writeStream.Reset();
    }
}
