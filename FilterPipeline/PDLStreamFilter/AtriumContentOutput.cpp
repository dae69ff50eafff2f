// Writing into the Atrium content file.
#include "AtriumContentOutput.h"

HRESULT AtriumContentOutput::WriteImpl(const BYTE* bytes, DWORD count, bool) {
    if (!contentFile.WriteToTheFile(count, bytes, 0xFFFFFFFFu)) {
        const DWORD error = GetLastError();
        return error != ERROR_SUCCESS ? HRESULT_FROM_WIN32(error) : E_FAIL;
    }
    Account().CountDelivered(count);
    return S_OK;
}
