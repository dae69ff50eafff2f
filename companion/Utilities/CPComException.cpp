// A failure with its HRESULT.
#include "CPComException.h"

#include <utility>

CPComException::CPComException(std::string message, DWORD lastError,
                               DebugContextReference debugContext, HRESULT hresult)
    : CPException(std::move(message), lastError, std::move(debugContext)), hresult(hresult) {}

CPComException::~CPComException() = default;

const char* CPComException::getExceptionType() const noexcept {
    return kTypeName;
}
