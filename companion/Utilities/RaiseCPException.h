// The one way an exception of the family is raised: the debug context of the raise site (its
// category mask with bit 0 set), the debugger hook, then the throw. The caller holds a
// LastErrorPreserver, whose value goes into the exception and which restores the last error when
// the exception leaves the raising scope.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "CPException.h"

struct RaiseSite {
    const char* sourceFile;
    const char* functionName;
    std::uint32_t sourceLine;
    std::uint64_t categoryMask;
};

#define CV_RAISE_SITE(sourceFile, functionName, categoryMask) \
    (RaiseSite{(sourceFile), (functionName), static_cast<std::uint32_t>(__LINE__), (categoryMask)})

template <typename Exception, typename... Extra>
[[noreturn]] void RaiseCPException(const RaiseSite& site, std::string message, DWORD lastError,
                                   Extra&&... extra) {
    DebugContextReference context{site.sourceFile, site.sourceLine, site.functionName,
                                  site.categoryMask | 0x1, 0};
    if (CPException::allowForExceptionDebug(Exception::kTypeName, message, lastError, context)) {
        CPException::SafeDebugBreak();
    }
    throw Exception(std::move(message), lastError, std::move(context),
                    std::forward<Extra>(extra)...);
}
