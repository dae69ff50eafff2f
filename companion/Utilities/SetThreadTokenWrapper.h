// Impersonation of the submitting user for as long as the wrapper lives. The thread's earlier
// token comes back at the end, so that a wrapper held inside another one leaves the outer
// impersonation in force.
#pragma once

#include "seam/Win32Seam.h"

class SetThreadTokenWrapper {
  public:
    // A null token leaves the thread as it is. A token the thread cannot take fails the call
    // (CPExceptionOSApiError): a job must never go on under the service's own identity by accident.
    explicit SetThreadTokenWrapper(HANDLE userToken);
    ~SetThreadTokenWrapper();
    SetThreadTokenWrapper(const SetThreadTokenWrapper&) = delete;
    SetThreadTokenWrapper& operator=(const SetThreadTokenWrapper&) = delete;

    // The thread runs under the process's own identity until ApplyImpersonationToken.
    void RemoveImpersonationToken();
    void ApplyImpersonationToken(HANDLE userToken);

  private:
    HANDLE previousToken = nullptr;
};
