// The plain execution context: an operation's identifier, category mask, source file, function,
// opening line, a flag and a message.
#pragma once

#include <cstdint>
#include <string>
#include <tuple>

#include "ExecutionContextBase.h"

class BasicExecutionContext : public ExecutionContextBase {
  public:
    BasicExecutionContext(std::int32_t contextId, std::uint64_t categoryMask,
                          const char* sourceFile, const char* functionName,
                          std::uint32_t sourceLine, bool flag, CPString message);

    ExecutionContextBase* Clone() const override;
    bool IsEqual(const ExecutionContextBase& other) const override;
    bool LessThan(const ExecutionContextBase& other) const override;
    // "<id> <function> (<file>:<line>)", then ": <message>" when there is one.
    CPString GetDumpDisplayString() const override;
    void Dump(std::ostream& out) const override;

    std::int32_t GetContextId() const noexcept { return contextId; }
    std::uint64_t GetCategoryMask() const noexcept { return categoryMask; }

  private:
    auto Key() const {
        return std::tie(contextId, categoryMask, sourceFile, functionName, sourceLine, flag,
                        message.str());
    }

    std::int32_t contextId;
    std::uint64_t categoryMask;
    std::string sourceFile;
    std::string functionName;
    std::uint32_t sourceLine;
    bool flag;
    CPString message;
};
