// The thread's last OS error code and the debugger hooks, for the Linux build.
#pragma once

#include "cvplatform/PlatformApi.h"
#include "cvplatform/Win32Types.h"

constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x00000200;
constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x00001000;
constexpr DWORD ERROR_MR_MID_NOT_FOUND = 317;

CVPLATFORM_API DWORD GetLastError();
CVPLATFORM_API void SetLastError(DWORD dwErrCode);

// True while a tracer (gdb, strace, ...) is attached to the process.
CVPLATFORM_API BOOL IsDebuggerPresent();
// Stops in the attached debugger; without one the process would die of SIGTRAP, as on Windows.
CVPLATFORM_API void DebugBreak();

// What stands in front of each diagnostic line the libraries write to standard error, for a host
// whose reader parses those lines (a CUPS filter's "DEBUG: "); "" until a host sets one. The text
// must stay valid while the process runs (a literal); one copy serves the host and its module.
CVPLATFORM_API void CvSetDiagnosticLinePrefix(const char* prefix);
CVPLATFORM_API const char* CvDiagnosticLinePrefix();

// The system's text of an error code, as FormatMessageW gives it: only FORMAT_MESSAGE_FROM_SYSTEM
// with FORMAT_MESSAGE_IGNORE_INSERTS into the caller's buffer, for the codes the stand-in itself
// reports. Anything else fails (0) with ERROR_INVALID_PARAMETER, an unknown code with
// ERROR_MR_MID_NOT_FOUND, a buffer too small with ERROR_INSUFFICIENT_BUFFER.
CVPLATFORM_API DWORD FormatMessageW(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId,
                                    DWORD dwLanguageId, LPWSTR lpBuffer, DWORD nSize,
                                    void* Arguments);
