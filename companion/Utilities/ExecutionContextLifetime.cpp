// Execution context guard.
#include "ExecutionContextLifetime.h"

ExecutionContextLifetime::ExecutionContextLifetime(
    const CvoSharedPtr<ExecutionContextBase>& context)
    : context(context) {
    if (this->context) {
        UtilitiesDllPerThreadStorage::PushContext(this->context.get());
    }
}

ExecutionContextLifetime::~ExecutionContextLifetime() {
    if (context) {
        UtilitiesDllPerThreadStorage::PopContext(context.get());
    }
}
