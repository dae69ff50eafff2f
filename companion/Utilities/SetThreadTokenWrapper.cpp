// Thread impersonation with the earlier token restored.
#include "SetThreadTokenWrapper.h"

#include "CPExceptionOSApiError.h"

namespace {
void SetToken(HANDLE token, const char* what) {
    if (SetThreadToken(nullptr, token) == FALSE) {
        const DWORD error = GetLastError();
        throw CPExceptionOSApiError(std::string("SetThreadTokenWrapper: cannot ") + what, error,
                                    CV_DEBUG_CONTEXT(kLibraryCategoryMask));
    }
}
}  // namespace

SetThreadTokenWrapper::SetThreadTokenWrapper(HANDLE userToken) {
    if (OpenThreadToken(GetCurrentThread(), TOKEN_IMPERSONATE, TRUE, &previousToken) == FALSE) {
        previousToken = nullptr;
    }
    if (userToken == nullptr) {
        return;
    }
    try {
        SetToken(userToken, "impersonate the user");
    } catch (...) {
        if (previousToken != nullptr) {
            CloseHandle(previousToken);
        }
        throw;
    }
}

SetThreadTokenWrapper::~SetThreadTokenWrapper() {
    SetThreadToken(nullptr, previousToken);
    if (previousToken != nullptr) {
        CloseHandle(previousToken);
    }
}

void SetThreadTokenWrapper::RemoveImpersonationToken() {
    SetToken(nullptr, "end the impersonation");
}

void SetThreadTokenWrapper::ApplyImpersonationToken(HANDLE userToken) {
    if (userToken != nullptr) {
        SetToken(userToken, "impersonate the user");
    }
}
