// Stream filter base: opening and closing the pipeline streams.
#include "StreamFilterBase.h"

#include "companion/Utilities/CPComException.h"

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

namespace {
// One property of the pipeline into a VARIANT that is cleared however the read ends.
class PipelineProperty {
  public:
    PipelineProperty(IPrintPipelinePropertyBag* bag, const WCHAR* name) {
        VariantInit(&value);
        present = bag != nullptr && SUCCEEDED(bag->GetProperty(name, &value));
    }
    ~PipelineProperty() { VariantClear(&value); }
    PipelineProperty(const PipelineProperty&) = delete;
    PipelineProperty& operator=(const PipelineProperty&) = delete;

    bool Is(VARTYPE type) const { return present && value.vt == type; }

    bool present = false;
    VARIANT value;
};
}  // namespace

// The job facts the pipeline provides under its standard names; one that is missing or of another
// type leaves its default.
void StreamFilterBase::OnInitializeFilter() {
    IPrintPipelinePropertyBag* bag = GetIPrintPipelinePropertyBagPtr();
    if (const PipelineProperty name(bag, WIDE("PrinterName"));
        name.Is(VT_BSTR) && name.value.bstrVal != nullptr) {
        printerName =
            CXString(name.value.bstrVal, static_cast<int>(SysStringLen(name.value.bstrVal)));
    }
    if (const PipelineProperty handle(bag, WIDE("PrinterHandle")); handle.Is(VT_BYREF)) {
        printerHandle = static_cast<HANDLE>(handle.value.byref);
    }
    if (const PipelineProperty token(bag, WIDE("UserSecurityToken")); token.Is(VT_BYREF)) {
        userToken = static_cast<HANDLE>(token.value.byref);
    }
    if (const PipelineProperty job(bag, WIDE("PrintJobId")); job.Is(VT_UI4)) {
        jobId = job.value.ulVal;
    }
}

void StreamFilterBase::CloseWriter() noexcept {
    if (writeStream) {
        writeStream->Close();
        writeStream.Reset();
    }
}
