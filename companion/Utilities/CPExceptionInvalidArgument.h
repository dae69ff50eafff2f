// A caller handed an operation an argument it cannot work with (a bad format, a size too large).
#pragma once

#include "CPException.h"

class CPExceptionInvalidArgument : public CPException {
  public:
    using CPException::CPException;
    ~CPExceptionInvalidArgument() override;

    static constexpr const char* kTypeName = "CPExceptionInvalidArgument";

    const char* getExceptionType() const noexcept override;
};
