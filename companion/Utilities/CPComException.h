// A failure that carries the HRESULT the COM boundary hands back.
#pragma once

#include "CPException.h"

class CPComException : public CPException {
  public:
    CPComException(std::string message, DWORD lastError, DebugContextReference debugContext,
                   HRESULT hresult);
    ~CPComException() override;

    static constexpr const char* kTypeName = "CPComException";

    const char* getExceptionType() const noexcept override;
    HRESULT GetHresult() const noexcept { return hresult; }

  private:
    HRESULT hresult;
};
