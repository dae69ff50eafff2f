// A file by its Win32 handle: opened with the CreateFile arguments the caller chooses, written
// whole or not at all, closed once.
#pragma once

#include "CXString.h"

class XFile {
  public:
    explicit XFile(CXString path);
    virtual ~XFile();
    XFile(const XFile&) = delete;
    XFile& operator=(const XFile&) = delete;

    // True when the file is open afterwards; the thread's last error says why not.
    bool CreateOrOpenFile(DWORD access, DWORD shareMode, LPSECURITY_ATTRIBUTES security,
                          DWORD disposition, DWORD flagsAndAttributes);
    // True when all `count` bytes were written. The timeout (milliseconds) bounds a write that
    // waits; writes here never wait, so it is accepted as given.
    bool WriteToTheFile(DWORD count, const void* bytes, DWORD timeoutMilliseconds);
    // Reads up to `count` bytes; the number read, or -1 on failure.
    long long ReadFromTheFile(DWORD count, void* bytes);
    bool CloseFile();
    // The file's size in bytes, also after it was closed (by its path then); 0 when unknown.
    DWORD GetSizeOfFile();

    bool IsOpen() const noexcept;
    // True when the open handle names a regular file on a disk: not a directory, a device, a pipe
    // or a symbolic link / reparse point (opened as itself with FILE_FLAG_OPEN_REPARSE_POINT).
    bool IsRegularFile() const;
    const CXString& GetPath() const noexcept { return path; }

  private:
    CXString path;
    HANDLE handle;
};
