// Files over POSIX descriptors for the stand-in layer; errno is translated to Win32 error codes.
#include "cvplatform/FileSystem.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "ErrorTranslation.h"
#include "NativePath.h"
#include "TokenHandles.h"
#include "cvplatform/ErrorHandling.h"

namespace {
// A file handle: a descriptor in a tagged block, so a foreign handle is recognised and refused.
struct FileHandle {
    static constexpr std::uint32_t kTag = 0x46494C45;  // "FILE"
    std::uint32_t tag = kTag;
    int descriptor = -1;
};

template <typename Result>
Result FailWith(int error, Result result) {
    SetLastError(Win32ErrorOfErrno(error));
    return result;
}

FileHandle* FileOf(HANDLE handle) {
    auto* file = static_cast<FileHandle*>(handle);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || file->tag != FileHandle::kTag) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return file;
}

int OpenFlags(DWORD access, DWORD disposition) {
    int flags = O_CLOEXEC;
    const bool reads = (access & GENERIC_READ) != 0;
    const bool writes = (access & GENERIC_WRITE) != 0;
    flags |= reads && writes ? O_RDWR : writes ? O_WRONLY : O_RDONLY;
    switch (disposition) {
        case CREATE_NEW:
            return flags | O_CREAT | O_EXCL;
        case CREATE_ALWAYS:
            return flags | O_CREAT | O_TRUNC;
        case OPEN_ALWAYS:
            return flags | O_CREAT;
        case TRUNCATE_EXISTING:
            return flags | O_TRUNC;
        default:
            return flags;
    }
}
}  // namespace

namespace {
// Opens without blocking (a FIFO with no writer would hang), then reads and writes block again.
int OpenDescriptor(const std::string& path, DWORD access, DWORD disposition, DWORD flags) {
    const bool linkItself = (flags & FILE_FLAG_OPEN_REPARSE_POINT) != 0;
    const int openFlags =
        OpenFlags(access, disposition) | O_NONBLOCK | (linkItself ? O_NOFOLLOW : 0);
    int descriptor = open(path.c_str(), openFlags, 0666);
    if (descriptor < 0 && linkItself && errno == ELOOP) {
        descriptor = open(path.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    }
    if (descriptor < 0) {
        return -1;
    }
    struct stat status {};
    if (fstat(descriptor, &status) != 0 ||
        (S_ISDIR(status.st_mode) && (flags & FILE_FLAG_BACKUP_SEMANTICS) == 0)) {
        const int error = S_ISDIR(status.st_mode) ? EISDIR : errno;
        close(descriptor);
        errno = error;
        return -1;
    }
    if (!S_ISLNK(status.st_mode)) {
        fcntl(descriptor, F_SETFL, fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    }
    return descriptor;
}
}  // namespace

HANDLE CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD, LPSECURITY_ATTRIBUTES,
                   DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes, HANDLE) {
    if (lpFileName == nullptr || dwCreationDisposition < CREATE_NEW ||
        dwCreationDisposition > TRUNCATE_EXISTING) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const std::string path = NativePathOf(lpFileName);
    const bool existed = access(path.c_str(), F_OK) == 0;
    const int descriptor =
        OpenDescriptor(path, dwDesiredAccess, dwCreationDisposition, dwFlagsAndAttributes);
    if (descriptor < 0 && errno == EEXIST) {
        SetLastError(ERROR_FILE_EXISTS);
        return INVALID_HANDLE_VALUE;
    }
    if (descriptor < 0) {
        return FailWith(errno, INVALID_HANDLE_VALUE);
    }
    auto* file = new FileHandle;
    file->descriptor = descriptor;
    // As on Windows: opening an existing file with a creating disposition says so, and succeeds.
    const bool creating =
        dwCreationDisposition == OPEN_ALWAYS || dwCreationDisposition == CREATE_ALWAYS;
    SetLastError(creating && existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return file;
}

BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
              LPDWORD lpNumberOfBytesRead, LPOVERLAPPED) {
    FileHandle* file = FileOf(hFile);
    if (file == nullptr) {
        return FALSE;
    }
    const ssize_t count = read(file->descriptor, lpBuffer, nNumberOfBytesToRead);
    if (count < 0) {
        return FailWith(errno, FALSE);
    }
    if (lpNumberOfBytesRead != nullptr) {
        *lpNumberOfBytesRead = static_cast<DWORD>(count);
    }
    return TRUE;
}

BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
               LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED) {
    FileHandle* file = FileOf(hFile);
    if (file == nullptr) {
        return FALSE;
    }
    DWORD done = 0;
    const auto* bytes = static_cast<const char*>(lpBuffer);
    while (done < nNumberOfBytesToWrite) {
        const ssize_t count = write(file->descriptor, bytes + done, nNumberOfBytesToWrite - done);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            if (lpNumberOfBytesWritten != nullptr) {
                *lpNumberOfBytesWritten = done;
            }
            return FailWith(count < 0 ? errno : ENOSPC, FALSE);
        }
        done += static_cast<DWORD>(count);
    }
    if (lpNumberOfBytesWritten != nullptr) {
        *lpNumberOfBytesWritten = done;
    }
    return TRUE;
}

BOOL GetFileSizeEx(HANDLE hFile, LARGE_INTEGER* lpFileSize) {
    FileHandle* file = FileOf(hFile);
    struct stat status {};
    if (file == nullptr || lpFileSize == nullptr) {
        return FALSE;
    }
    if (fstat(file->descriptor, &status) != 0) {
        return FailWith(errno, FALSE);
    }
    lpFileSize->QuadPart = static_cast<LONGLONG>(status.st_size);
    return TRUE;
}

DWORD GetFileType(HANDLE hFile) {
    FileHandle* file = FileOf(hFile);
    struct stat status {};
    if (file == nullptr) {
        return FILE_TYPE_UNKNOWN;
    }
    if (fstat(file->descriptor, &status) != 0) {
        return FailWith(errno, FILE_TYPE_UNKNOWN);
    }
    SetLastError(ERROR_SUCCESS);
    if (S_ISREG(status.st_mode) || S_ISDIR(status.st_mode) || S_ISLNK(status.st_mode)) {
        return FILE_TYPE_DISK;
    }
    if (S_ISCHR(status.st_mode)) {
        return FILE_TYPE_CHAR;
    }
    return S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode) ? FILE_TYPE_PIPE
                                                                : FILE_TYPE_UNKNOWN;
}

BOOL GetFileInformationByHandle(HANDLE hFile, BY_HANDLE_FILE_INFORMATION* lpFileInformation) {
    FileHandle* file = FileOf(hFile);
    struct stat status {};
    if (file == nullptr || lpFileInformation == nullptr) {
        return file == nullptr ? FALSE : (SetLastError(ERROR_INVALID_PARAMETER), FALSE);
    }
    if (fstat(file->descriptor, &status) != 0) {
        return FailWith(errno, FALSE);
    }
    *lpFileInformation = BY_HANDLE_FILE_INFORMATION{};
    lpFileInformation->dwFileAttributes = S_ISDIR(status.st_mode)   ? FILE_ATTRIBUTE_DIRECTORY
                                          : S_ISLNK(status.st_mode) ? FILE_ATTRIBUTE_REPARSE_POINT
                                                                    : FILE_ATTRIBUTE_NORMAL;
    lpFileInformation->dwVolumeSerialNumber = static_cast<DWORD>(status.st_dev);
    const auto size = static_cast<std::uint64_t>(status.st_size);
    lpFileInformation->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    lpFileInformation->nFileSizeLow = static_cast<DWORD>(size);
    lpFileInformation->nNumberOfLinks = static_cast<DWORD>(status.st_nlink);
    const auto index = static_cast<std::uint64_t>(status.st_ino);
    lpFileInformation->nFileIndexHigh = static_cast<DWORD>(index >> 32);
    lpFileInformation->nFileIndexLow = static_cast<DWORD>(index);
    return TRUE;
}

BOOL CloseHandle(HANDLE hObject) {
    if (CloseTokenHandle(hObject)) {
        return TRUE;
    }
    FileHandle* file = FileOf(hObject);
    if (file == nullptr) {
        return FALSE;
    }
    const int result = close(file->descriptor);
    file->tag = 0;
    delete file;
    return result == 0 ? TRUE : FailWith(errno, FALSE);
}

BOOL DeleteFileW(LPCWSTR lpFileName) {
    const std::string path = NativePathOf(lpFileName);
    struct stat status {};
    if (lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return unlink(path.c_str()) == 0 ? TRUE : FailWith(errno, FALSE);
}

namespace {
// Renaming over a regular file makes ext4 write the moved file's delayed blocks out first (its
// guard for programs that replace a file without fsync), a flush a rename to a new name never
// costs. Exchanging the two names and removing the old file leaves the name as atomic for its
// readers. False, and nothing changed, when the target is no regular file or cannot be exchanged.
bool ReplacedByExchange(const std::string& from, const std::string& to) {
    struct stat target {};
    if (lstat(to.c_str(), &target) != 0 || !S_ISREG(target.st_mode) ||
        renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_EXCHANGE) != 0) {
        return false;
    }
    return true;
}
}  // namespace

BOOL MoveFileExW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, DWORD dwFlags) {
    if (lpExistingFileName == nullptr || lpNewFileName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::string from = NativePathOf(lpExistingFileName);
    const std::string to = NativePathOf(lpNewFileName);
    if ((dwFlags & MOVEFILE_WRITE_THROUGH) != 0) {
        const int descriptor = open(from.c_str(), O_RDONLY | O_CLOEXEC);
        if (descriptor >= 0) {
            fsync(descriptor);
            close(descriptor);
        }
    }
    if ((dwFlags & MOVEFILE_REPLACE_EXISTING) != 0 && ReplacedByExchange(from, to)) {
        // The old file now has the moved file's name.
        return unlink(from.c_str()) == 0 ? TRUE : FailWith(errno, FALSE);
    }
    const unsigned int noReplace =
        (dwFlags & MOVEFILE_REPLACE_EXISTING) != 0 ? 0 : RENAME_NOREPLACE;
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), noReplace) != 0) {
        return errno == EEXIST ? (SetLastError(ERROR_ALREADY_EXISTS), FALSE)
                               : FailWith(errno, FALSE);
    }
    return TRUE;
}

DWORD CvReplaceFile(const char* from, const char* to) {
    if (from == nullptr || to == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    if (ReplacedByExchange(from, to)) {
        return unlink(from) == 0 ? ERROR_SUCCESS : Win32ErrorOfErrno(errno);
    }
    return rename(from, to) == 0 ? ERROR_SUCCESS : Win32ErrorOfErrno(errno);
}

std::FILE* CvCreateNewPrivateFile(const char* path) {
    if (path == nullptr) {
        errno = EINVAL;
        return nullptr;
    }
    const int descriptor = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (descriptor < 0) {
        return nullptr;
    }
    std::FILE* file = fdopen(descriptor, "wb");
    if (file == nullptr) {
        const int error = errno;
        close(descriptor);
        errno = error;
    }
    return file;
}

// The umask as the kernel reports it: reading it with umask() would change it for a moment, for
// every thread of the process.
unsigned CvDefaultFileMode() {
    unsigned mask = 022;
    if (std::FILE* status = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, status) != nullptr) {
            if (std::sscanf(line, "Umask: %o", &mask) == 1) {
                break;
            }
        }
        std::fclose(status);
    }
    return 0666u & ~mask;
}

BOOL CreateDirectoryW(LPCWSTR lpPathName, LPSECURITY_ATTRIBUTES) {
    const std::string path = NativePathOf(lpPathName);
    if (mkdir(path.c_str(), 0777) == 0) {
        return TRUE;
    }
    return errno == ENOENT ? (SetLastError(ERROR_PATH_NOT_FOUND), FALSE) : FailWith(errno, FALSE);
}

DWORD GetFileAttributesW(LPCWSTR lpFileName) {
    const std::string path = NativePathOf(lpFileName);
    struct stat status {};
    if (path.empty() || stat(path.c_str(), &status) != 0) {
        return FailWith(path.empty() ? ENOENT : errno, INVALID_FILE_ATTRIBUTES);
    }
    return S_ISDIR(status.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
}
