// Pipeline filter base: initialisation, operation frame and shutdown.
#include "MsRenderFilterBase.h"

#include "companion/Utilities/CPComException.h"
#include "companion/Utilities/ComExceptionBoundary.h"

MsRenderFilterBase::MsRenderFilterBase() : CUnknown(IID_IPrintPipelineFilter, GUID_NULL) {}

MsRenderFilterBase::~MsRenderFilterBase() = default;

HRESULT MsRenderFilterBase::InitializeFilter(IInterFilterCommunicator* communicator,
                                             IPrintPipelinePropertyBag* propertyBag,
                                             IPrintPipelineManagerControl* managerControl) {
    if (communicator == nullptr || propertyBag == nullptr || managerControl == nullptr) {
        return E_POINTER;
    }
    return RunAtComBoundary([&] {
        InitializeFilter_throws(communicator, propertyBag, managerControl);
        return S_OK;
    });
}

void MsRenderFilterBase::InitializeFilter_throws(IInterFilterCommunicator* communicator,
                                                 IPrintPipelinePropertyBag* propertyBag,
                                                 IPrintPipelineManagerControl* managerControl) {
    if (initialized.exchange(true)) {
        throw CPComException("InitializeFilter: the filter is already initialised", GetLastError(),
                             CV_DEBUG_CONTEXT(kLibraryCategoryMask), E_UNEXPECTED);
    }
    this->communicator = ComReference<IInterFilterCommunicator>(communicator);
    this->propertyBag = ComReference<IPrintPipelinePropertyBag>(propertyBag);
    this->managerControl = ComReference<IPrintPipelineManagerControl>(managerControl);
    InitializeIO_throws(communicator);
    OnInitializeFilter();
}

HRESULT MsRenderFilterBase::ShutdownOperation() {
    shutdownRequested.store(true);
    return S_OK;
}

HRESULT MsRenderFilterBase::StartOperation() {
    if (!initialized.load() || started.exchange(true)) {
        return E_UNEXPECTED;
    }
    const HRESULT result = RunAtComBoundary([this] {
        StartOperation_throws();
        return S_OK;
    });
    CloseWriter();
    if (FAILED(result)) {
        managerControl->RequestShutdown(result, nullptr);
    }
    return result;
}

std::unique_ptr<NativeComPrinterPropertyBagAccess> MsRenderFilterBase::GetDriverPropertyBagAccess()
    const {
    VARIANT value;
    VariantInit(&value);
    IPrinterPropertyBag* bag = nullptr;
    if (propertyBag && SUCCEEDED(propertyBag->GetProperty(WIDE("DriverPropertyBag"), &value)) &&
        (value.vt == VT_UNKNOWN || value.vt == VT_DISPATCH) && value.punkVal != nullptr) {
        value.punkVal->QueryInterface(IID_IPrinterPropertyBag, reinterpret_cast<void**>(&bag));
    }
    VariantClear(&value);
    if (bag == nullptr) {
        return nullptr;
    }
    return std::make_unique<NativeComPrinterPropertyBagAccess>(
        ComReference<IPrinterPropertyBag>::Adopt(bag));
}
