// Files by handle.
#include "XFile.h"

#include <utility>

XFile::XFile(CXString path) : path(std::move(path)), handle(INVALID_HANDLE_VALUE) {}

XFile::~XFile() {
    CloseFile();
}

bool XFile::IsOpen() const noexcept {
    return handle != INVALID_HANDLE_VALUE;
}

bool XFile::IsRegularFile() const {
    BY_HANDLE_FILE_INFORMATION information{};
    return IsOpen() && GetFileType(handle) == FILE_TYPE_DISK &&
           GetFileInformationByHandle(handle, &information) != FALSE &&
           (information.dwFileAttributes &
            (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
}

bool XFile::CreateOrOpenFile(DWORD access, DWORD shareMode, LPSECURITY_ATTRIBUTES security,
                             DWORD disposition, DWORD flagsAndAttributes) {
    CloseFile();
    handle = CreateFileW(path.GetString(), access, shareMode, security, disposition,
                         flagsAndAttributes, nullptr);
    return IsOpen();
}

bool XFile::WriteToTheFile(DWORD count, const void* bytes, DWORD) {
    if (!IsOpen()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    DWORD written = 0;
    return WriteFile(handle, bytes, count, &written, nullptr) != FALSE && written == count;
}

long long XFile::ReadFromTheFile(DWORD count, void* bytes) {
    DWORD read = 0;
    if (!IsOpen() || ReadFile(handle, bytes, count, &read, nullptr) == FALSE) {
        return -1;
    }
    return read;
}

bool XFile::CloseFile() {
    if (!IsOpen()) {
        return false;
    }
    const bool closed = CloseHandle(handle) != FALSE;
    handle = INVALID_HANDLE_VALUE;
    return closed;
}

DWORD XFile::GetSizeOfFile() {
    LARGE_INTEGER size{};
    if (IsOpen()) {
        return GetFileSizeEx(handle, &size) != FALSE ? static_cast<DWORD>(size.QuadPart) : 0;
    }
    const HANDLE reader = CreateFileW(path.GetString(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (reader == INVALID_HANDLE_VALUE) {
        return 0;
    }
    const BOOL known = GetFileSizeEx(reader, &size);
    CloseHandle(reader);
    return known != FALSE ? static_cast<DWORD>(size.QuadPart) : 0;
}
