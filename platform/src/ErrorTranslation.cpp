// errno values as the Win32 error codes the stand-in's callers expect.
#include "ErrorTranslation.h"

#include <cerrno>

#include "cvplatform/ErrorHandling.h"
#include "cvplatform/FileSystem.h"

DWORD Win32ErrorOfErrno(int error) {
    switch (error) {
        case ENOENT:
            return ERROR_FILE_NOT_FOUND;
        case ENOTDIR:
            return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EROFS:
            return ERROR_ACCESS_DENIED;
        case EEXIST:
            return ERROR_ALREADY_EXISTS;
        case ENOSPC:
            return ERROR_DISK_FULL;
        case EFBIG:
            return ERROR_FILE_TOO_LARGE;
        case ENOMEM:
            return ERROR_NOT_ENOUGH_MEMORY;
        case EISDIR:
            return ERROR_ACCESS_DENIED;
        default:
            return ERROR_GEN_FAILURE;
    }
}
