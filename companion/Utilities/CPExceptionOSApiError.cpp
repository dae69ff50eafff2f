// A failed operating system call.
#include "CPExceptionOSApiError.h"

CPExceptionOSApiError::~CPExceptionOSApiError() = default;

const char* CPExceptionOSApiError::getExceptionType() const noexcept {
    return kTypeName;
}
