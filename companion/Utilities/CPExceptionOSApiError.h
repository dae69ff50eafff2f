// An operating system call failed; its error code is the exception's last error.
#pragma once

#include "CPException.h"

class CPExceptionOSApiError : public CPException {
  public:
    using CPException::CPException;
    ~CPExceptionOSApiError() override;

    static constexpr const char* kTypeName = "CPExceptionOSApiError";

    const char* getExceptionType() const noexcept override;
};
