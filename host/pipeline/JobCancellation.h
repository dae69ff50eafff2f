// A job's cancellation as the pipeline manager delivers it: from any thread, at any time, through
// the filter's ShutdownOperation. A request that comes before the filter exists reaches it as soon
// as it is attached.
#pragma once

#include <mutex>

#include "seam/FilterPipelineInterfaces.h"

class JobCancellation {
  public:
    // Any thread.
    void Cancel();
    bool Requested() const;
    // The filter of the running operation, from before StartOperation until before its Release.
    void Attach(IPrintPipelineFilter* filter);
    void Detach();

  private:
    mutable std::mutex mutex;
    IPrintPipelineFilter* filter = nullptr;
    bool requested = false;
};
