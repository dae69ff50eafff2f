// Files and folders for the Linux build, with the Win32 calls' arguments and results. Sharing
// modes have no POSIX counterpart and are accepted as given; paths may use backslashes.
#pragma once

#include <cstdio>

#include "cvplatform/PlatformApi.h"
#include "cvplatform/Win32Types.h"

constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD GENERIC_WRITE = 0x40000000u;
constexpr DWORD FILE_SHARE_READ = 0x1;
constexpr DWORD FILE_SHARE_WRITE = 0x2;
constexpr DWORD FILE_SHARE_DELETE = 0x4;
constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD TRUNCATE_EXISTING = 5;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD FILE_ATTRIBUTE_REPARSE_POINT = 0x400;
// Opens the symbolic link itself rather than what it names.
constexpr DWORD FILE_FLAG_OPEN_REPARSE_POINT = 0x00200000;
// Lets a directory be opened.
constexpr DWORD FILE_FLAG_BACKUP_SEMANTICS = 0x02000000;
constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x1;
constexpr DWORD MOVEFILE_WRITE_THROUGH = 0x8;
constexpr DWORD FILE_TYPE_UNKNOWN = 0;
constexpr DWORD FILE_TYPE_DISK = 1;
constexpr DWORD FILE_TYPE_CHAR = 2;
constexpr DWORD FILE_TYPE_PIPE = 3;
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_GEN_FAILURE = 31;
constexpr DWORD ERROR_FILE_EXISTS = 80;
constexpr DWORD ERROR_DISK_FULL = 112;
constexpr DWORD ERROR_ALREADY_EXISTS = 183;
constexpr DWORD ERROR_BAD_FILE_TYPE = 222;
constexpr DWORD ERROR_FILE_TOO_LARGE = 223;
constexpr DWORD ERROR_DIRECTORY = 267;

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)))

struct SECURITY_ATTRIBUTES;
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;
struct OVERLAPPED;
using LPOVERLAPPED = OVERLAPPED*;
using LPDWORD = DWORD*;

union LARGE_INTEGER {
    struct {
        DWORD LowPart;
        LONG HighPart;
    };
    LONGLONG QuadPart;
};

struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

struct BY_HANDLE_FILE_INFORMATION {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD dwVolumeSerialNumber;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD nNumberOfLinks;
    DWORD nFileIndexHigh;
    DWORD nFileIndexLow;
};

// Never blocks on a FIFO (as Windows has none); a directory opens only with
// FILE_FLAG_BACKUP_SEMANTICS, a symbolic link itself with FILE_FLAG_OPEN_REPARSE_POINT.
CVPLATFORM_API HANDLE CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                                  LPSECURITY_ATTRIBUTES lpSecurityAttributes,
                                  DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes,
                                  HANDLE hTemplateFile);
CVPLATFORM_API BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                             LPDWORD lpNumberOfBytesRead, LPOVERLAPPED lpOverlapped);
CVPLATFORM_API BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                              LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped);
CVPLATFORM_API BOOL GetFileSizeEx(HANDLE hFile, LARGE_INTEGER* lpFileSize);
// FILE_TYPE_DISK for files, directories and links; FILE_TYPE_CHAR for character devices;
// FILE_TYPE_PIPE for FIFOs and sockets.
CVPLATFORM_API DWORD GetFileType(HANDLE hFile);
// Attributes (directory, reparse point for a link, else normal), size, links and file index; the
// times are not served and stay zero.
CVPLATFORM_API BOOL GetFileInformationByHandle(HANDLE hFile,
                                               BY_HANDLE_FILE_INFORMATION* lpFileInformation);
// Closes file handles of this layer; other handles (printers) have their own close.
CVPLATFORM_API BOOL CloseHandle(HANDLE hObject);
CVPLATFORM_API BOOL DeleteFileW(LPCWSTR lpFileName);
// Renames in one step (rename(2); an existing regular file it replaces is exchanged and removed,
// which spares ext4's flush of the moved file); without MOVEFILE_REPLACE_EXISTING an existing
// target is ERROR_ALREADY_EXISTS. MOVEFILE_WRITE_THROUGH syncs the file and its folder first.
CVPLATFORM_API BOOL MoveFileExW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, DWORD dwFlags);

// MoveFileExW(from, to, MOVEFILE_REPLACE_EXISTING) for the host's own files, named as the file
// system names them (bytes, not necessarily UTF-8). ERROR_SUCCESS or the OS error, translated.
CVPLATFORM_API DWORD CvReplaceFile(const char* from, const char* to);
// A file that did not exist before, created for writing and open to its owner alone (no link of
// that name is followed): the open file, or null with errno set (EEXIST: the name is taken).
CVPLATFORM_API std::FILE* CvCreateNewPrivateFile(const char* path);
// The permission bits a file created now gets when all of rw-rw-rw- are asked: those less the
// process's umask.
CVPLATFORM_API unsigned CvDefaultFileMode();
CVPLATFORM_API BOOL CreateDirectoryW(LPCWSTR lpPathName,
                                     LPSECURITY_ATTRIBUTES lpSecurityAttributes);
CVPLATFORM_API DWORD GetFileAttributesW(LPCWSTR lpFileName);
