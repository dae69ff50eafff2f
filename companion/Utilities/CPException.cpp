// The family's root: log line and debugger hooks.
#include "CPException.h"

#include <cstdlib>
#include <cstring>
#include <utility>

CPException::CPException(std::string message, DWORD lastError, DebugContextReference debugContext)
    : message(std::move(message)), lastError(lastError), debugContext(std::move(debugContext)) {}

CPException::~CPException() = default;

const char* CPException::getExceptionType() const noexcept {
    return kTypeName;
}

std::string CPException::getLogString() const {
    return std::string(getExceptionType()) + ": " + message + " (last error " +
           std::to_string(lastError) + ") at " + debugContext.sourceFile + "(" +
           std::to_string(debugContext.sourceLine) + ") in " + debugContext.functionName;
}

bool CPException::allowForExceptionDebug(const char*, const std::string&, DWORD,
                                         const DebugContextReference&) {
    const char* wanted = std::getenv("CV_BREAK_ON_EXCEPTION");
    return wanted != nullptr && std::strcmp(wanted, "1") == 0 && IsDebuggerPresent();
}

void CPException::SafeDebugBreak() {
    if (IsDebuggerPresent()) {
        DebugBreak();
    }
}
