// Keeps an execution context in force on the thread for the guard's life, and keeps the context
// alive through its own reference.
#pragma once

#include "CvoSharedPtr.h"
#include "ExecutionContextBase.h"

class ExecutionContextLifetime {
  public:
    explicit ExecutionContextLifetime(const CvoSharedPtr<ExecutionContextBase>& context);
    ~ExecutionContextLifetime();
    ExecutionContextLifetime(const ExecutionContextLifetime&) = delete;
    ExecutionContextLifetime& operator=(const ExecutionContextLifetime&) = delete;

  private:
    CvoSharedPtr<ExecutionContextBase> context;
};
