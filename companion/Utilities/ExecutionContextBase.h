// What a thread is doing, for diagnostics: an execution context names an operation (identifier,
// category, source, function, line) while it is in force on the thread.
#pragma once

#include <ostream>

#include "CPString.h"

class ExecutionContextBase {
  public:
    virtual ~ExecutionContextBase() = default;
    virtual ExecutionContextBase* Clone() const = 0;
    virtual bool IsEqual(const ExecutionContextBase& other) const = 0;
    virtual bool LessThan(const ExecutionContextBase& other) const = 0;
    virtual CPString GetDumpDisplayString() const = 0;
    virtual void Dump(std::ostream& out) const = 0;
};
