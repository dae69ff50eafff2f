// The plain execution context.
#include "BasicExecutionContext.h"

#include <utility>

BasicExecutionContext::BasicExecutionContext(std::int32_t contextId, std::uint64_t categoryMask,
                                             const char* sourceFile, const char* functionName,
                                             std::uint32_t sourceLine, bool flag, CPString message)
    : contextId(contextId),
      categoryMask(categoryMask),
      sourceFile(sourceFile != nullptr ? sourceFile : ""),
      functionName(functionName != nullptr ? functionName : ""),
      sourceLine(sourceLine),
      flag(flag),
      message(std::move(message)) {}

ExecutionContextBase* BasicExecutionContext::Clone() const {
    return new BasicExecutionContext(*this);
}

bool BasicExecutionContext::IsEqual(const ExecutionContextBase& other) const {
    const auto* basic = dynamic_cast<const BasicExecutionContext*>(&other);
    return basic != nullptr && Key() == basic->Key();
}

bool BasicExecutionContext::LessThan(const ExecutionContextBase& other) const {
    const auto* basic = dynamic_cast<const BasicExecutionContext*>(&other);
    return basic != nullptr && Key() < basic->Key();
}

CPString BasicExecutionContext::GetDumpDisplayString() const {
    std::string text = std::to_string(contextId) + " " + functionName + " (" + sourceFile + ":" +
                       std::to_string(sourceLine) + ")";
    if (!message.isEmpty()) {
        text += ": " + message.str();
    }
    return CPString(std::move(text));
}

void BasicExecutionContext::Dump(std::ostream& out) const {
    out << GetDumpDisplayString().str() << "\n";
}
