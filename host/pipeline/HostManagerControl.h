// The pipeline manager's control as the filter sees it: keeps the reason and the error record's
// description of a shutdown request, which is how a failed operation explains itself.
#pragma once

#include <string>

#include "host/pipeline/HostComObject.h"

class HostManagerControl : public HostComObject<IPrintPipelineManagerControl> {
  public:
    HostManagerControl();

    HRESULT STDMETHODCALLTYPE RequestShutdown(HRESULT reason, IImgErrorInfo* record) override;
    HRESULT STDMETHODCALLTYPE FilterFinished() override;

    bool ShutdownRequested() const noexcept { return requested; }
    HRESULT ShutdownReason() const noexcept { return reason; }
    // UTF-8; empty when the request came without a record.
    const std::string& Description() const noexcept { return description; }

  private:
    bool requested = false;
    HRESULT reason = S_OK;
    std::string description;
};
