// An unusable argument.
#include "CPExceptionInvalidArgument.h"

CPExceptionInvalidArgument::~CPExceptionInvalidArgument() = default;

const char* CPExceptionInvalidArgument::getExceptionType() const noexcept {
    return kTypeName;
}
