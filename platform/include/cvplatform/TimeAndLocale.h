// System time, date and time pictures of the invariant locale, and sequential UUIDs, for the Linux
// build. Only the invariant locale ("") is served; any other locale name fails honestly.
#pragma once

#include "cvplatform/PlatformApi.h"
#include "cvplatform/Win32Types.h"

struct SYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
};

#define LOCALE_NAME_INVARIANT u""
constexpr DWORD LOCALE_USE_CP_ACP = 0x40000000u;
constexpr DWORD TIME_NOMINUTESORSECONDS = 0x1;
constexpr DWORD TIME_NOSECONDS = 0x2;
constexpr DWORD TIME_NOTIMEMARKER = 0x4;
constexpr DWORD TIME_FORCE24HOURFORMAT = 0x8;

using UUID = GUID;
using RPC_STATUS = LONG;
constexpr RPC_STATUS RPC_S_OK = 0;
constexpr RPC_STATUS RPC_S_UUID_LOCAL_ONLY = 1824;

CVPLATFORM_API void GetSystemTime(SYSTEMTIME* lpSystemTime);
// Pictures: d dd ddd dddd, M MM MMM MMMM, y yy yyyy, and 'quoted text'. Returns the characters
// written including the terminator, or with cchDate 0 the size needed; 0 with
// ERROR_INVALID_PARAMETER for an invalid date, an unknown locale or a bad picture.
CVPLATFORM_API int GetDateFormatEx(LPCWSTR lpLocaleName, DWORD dwFlags, const SYSTEMTIME* lpDate,
                                   LPCWSTR lpFormat, LPWSTR lpDateStr, int cchDate,
                                   LPCWSTR lpCalendar);
// Pictures: h hh H HH m mm s ss t tt and 'quoted text'; TIME_FORCE24HOURFORMAT and
// TIME_NOTIMEMARKER as on Windows.
CVPLATFORM_API int GetTimeFormatEx(LPCWSTR lpLocaleName, DWORD dwFlags, const SYSTEMTIME* lpTime,
                                   LPCWSTR lpFormat, LPWSTR lpTimeStr, int cchTime);
// A version-1 UUID: 100-ns timestamp, clock sequence and a random node of this process, strictly
// increasing within the process, so two calls never give the same value. Answers
// RPC_S_UUID_LOCAL_ONLY, since the node is no network address.
CVPLATFORM_API RPC_STATUS UuidCreateSequential(UUID* Uuid);
