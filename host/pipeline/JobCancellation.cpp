// The filter is called under the lock, so Detach cannot let it go while a request is delivered.
#include "host/pipeline/JobCancellation.h"

void JobCancellation::Cancel() {
    const std::lock_guard<std::mutex> lock(mutex);
    requested = true;
    if (filter != nullptr) {
        filter->ShutdownOperation();
    }
}

bool JobCancellation::Requested() const {
    const std::lock_guard<std::mutex> lock(mutex);
    return requested;
}

void JobCancellation::Attach(IPrintPipelineFilter* running) {
    const std::lock_guard<std::mutex> lock(mutex);
    filter = running;
    if (requested && filter != nullptr) {
        filter->ShutdownOperation();
    }
}

void JobCancellation::Detach() {
    const std::lock_guard<std::mutex> lock(mutex);
    filter = nullptr;
}
