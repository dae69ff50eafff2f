// Pipeline filter base: initialisation, operation frame and shutdown.
#include "MsRenderFilterBase.h"

#include "OperationErrorInfo.h"
#include "companion/Utilities/CPComException.h"
#include "companion/Utilities/CPString.h"
#include "companion/Utilities/ComExceptionBoundary.h"
#include "companion/Utilities/PipelineProperty.h"

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
    ComFailure failure;
    const HRESULT result = RunAtComBoundary(
        [this] {
            StartOperation_throws();
            return S_OK;
        },
        failure);
    CloseWriter();
    if (FAILED(result)) {
        ReportFailure(failure);
    }
    return result;
}

// The pipeline manager learns of the failure with its record; without memory for the record the
// request goes out all the same.
void MsRenderFilterBase::ReportFailure(const ComFailure& failure) noexcept {
    IImgErrorInfo* record = nullptr;
    try {
        record = OperationErrorInfo::Create(static_cast<IPrintPipelineFilter*>(this),
                                            CPString(failure.kind).ToWide(),
                                            CPString(failure.message).ToWide());
    } catch (...) {
        record = nullptr;
    }
    managerControl->RequestShutdown(failure.hresult, record);
    if (record != nullptr) {
        record->Release();
    }
}

std::unique_ptr<NativeComPrinterPropertyBagAccess> MsRenderFilterBase::GetDriverPropertyBagAccess()
    const {
    ComReference<IPrinterPropertyBag> bag =
        PipelineProperty(propertyBag.Get(), WIDE("DriverPropertyBag"))
            .Query<IPrinterPropertyBag>(IID_IPrinterPropertyBag);
    if (!bag) {
        return nullptr;
    }
    return std::make_unique<NativeComPrinterPropertyBagAccess>(std::move(bag));
}
