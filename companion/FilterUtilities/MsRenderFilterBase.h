// The IPrintPipelineFilter side of the maker's filters: keeps what the pipeline manager hands
// over, runs the filter's operation behind a COM boundary and reports its outcome. A filter
// supplies the I/O set-up (StreamFilterBase) and its operation, StartOperation_throws.
#pragma once

#include <atomic>
#include <memory>

#include "CUnknown.h"
#include "NativeComPrinterPropertyBagAccess.h"
#include "companion/Utilities/ComExceptionBoundary.h"
#include "companion/Utilities/ComReference.h"
#include "seam/FilterPipelineInterfaces.h"

class MsRenderFilterBase : public CUnknown<IPrintPipelineFilter> {
  public:
    MsRenderFilterBase();

    HRESULT STDMETHODCALLTYPE
    InitializeFilter(IInterFilterCommunicator* communicator, IPrintPipelinePropertyBag* propertyBag,
                     IPrintPipelineManagerControl* managerControl) override;
    // A request to stop, which may come from another thread while the operation runs.
    HRESULT STDMETHODCALLTYPE ShutdownOperation() override;
    HRESULT STDMETHODCALLTYPE StartOperation() override;

    ~MsRenderFilterBase() override;

    IPrintPipelinePropertyBag* GetIPrintPipelinePropertyBagPtr() const noexcept {
        return propertyBag.Get();
    }
    bool IsShutdownRequested() const noexcept { return shutdownRequested.load(); }
    // The request itself, for work that must stop at its next step once it is set.
    const std::atomic<bool>& ShutdownRequest() const noexcept { return shutdownRequested; }
    // The driver's property bag ("DriverPropertyBag"), or nothing when the pipeline has none.
    std::unique_ptr<NativeComPrinterPropertyBagAccess> GetDriverPropertyBagAccess() const;

  protected:
    virtual void InitializeIO_throws(IInterFilterCommunicator* communicator) = 0;
    virtual void CloseWriter() noexcept = 0;
    virtual void OnInitializeFilter() = 0;
    virtual void StartOperation_throws() = 0;

  private:
    void ReportFailure(const ComFailure& failure) noexcept;
    void InitializeFilter_throws(IInterFilterCommunicator* communicator,
                                 IPrintPipelinePropertyBag* propertyBag,
                                 IPrintPipelineManagerControl* managerControl);

    ComReference<IInterFilterCommunicator> communicator;
    ComReference<IPrintPipelinePropertyBag> propertyBag;
    ComReference<IPrintPipelineManagerControl> managerControl;
    std::atomic<bool> initialized{false};
    std::atomic<bool> started{false};
    std::atomic<bool> shutdownRequested{false};
};
