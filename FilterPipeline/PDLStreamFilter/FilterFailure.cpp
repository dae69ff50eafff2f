// Raising the module's own failures.
#include "FilterFailure.h"

#include "companion/Utilities/CPComException.h"
#include "companion/Utilities/LastErrorPreserver.h"
#include "companion/Utilities/RaiseCPException.h"

namespace {
constexpr std::uint64_t kFilterCategory = 0x2000;
}

void RaiseFilterFailure(const char* sourceFile, std::string message, HRESULT result,
                        const char* function, std::uint32_t line) {
    const LastErrorPreserver preserved;
    RaiseCPException<CPComException>(RaiseSite{sourceFile, function, line, kFilterCategory},
                                     std::move(message), preserved.Value(), result);
}
