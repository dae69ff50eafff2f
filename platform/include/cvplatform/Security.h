// Access tokens and the calling user's name, for the Linux build. A token names one user; the
// host creates tokens for the users it plays, and a thread impersonates one with SetThreadToken.
#pragma once

#include "cvplatform/PlatformApi.h"
#include "cvplatform/Win32Types.h"

using PHANDLE = HANDLE*;
using PULONG = ULONG*;

constexpr DWORD ERROR_NO_TOKEN = 1008;
constexpr DWORD ERROR_NONE_MAPPED = 1332;
constexpr DWORD TOKEN_IMPERSONATE = 0x0004;
constexpr DWORD TOKEN_QUERY = 0x0008;

enum EXTENDED_NAME_FORMAT {
    NameUnknown = 0,
    NameFullyQualifiedDN = 1,
    NameSamCompatible = 2,
};

// The pseudo handle of the calling thread; it needs no closing.
CVPLATFORM_API HANDLE GetCurrentThread();
// Only the calling thread (null or its pseudo handle) can be given a token here.
CVPLATFORM_API BOOL SetThreadToken(PHANDLE Thread, HANDLE Token);
// Fails with ERROR_NO_TOKEN while the thread does not impersonate; the handle is the caller's to
// close with CloseHandle.
CVPLATFORM_API BOOL OpenThreadToken(HANDLE ThreadHandle, DWORD DesiredAccess, BOOL OpenAsSelf,
                                    PHANDLE TokenHandle);
// NameSamCompatible only: the impersonated user's name, or the process's own ("HOST\login").
// *nSize counts characters; a buffer too small fails with ERROR_MORE_DATA and the size needed.
CVPLATFORM_API BOOL GetUserNameExW(EXTENDED_NAME_FORMAT NameFormat, LPWSTR lpNameBuffer,
                                   PULONG nSize);

// The host's side: a token for a user given by SAM-compatible name ("DOMAIN\user"), closed with
// CloseHandle like any other.
CVPLATFORM_API HANDLE CvCreateUserToken(LPCWSTR samCompatibleName);
