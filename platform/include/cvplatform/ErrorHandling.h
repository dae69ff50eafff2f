// The thread's last OS error code and the debugger hooks, for the Linux build.
#pragma once

#include "cvplatform/PlatformApi.h"
#include "cvplatform/Win32Types.h"

CVPLATFORM_API DWORD GetLastError();
CVPLATFORM_API void SetLastError(DWORD dwErrCode);

// True while a tracer (gdb, strace, ...) is attached to the process.
CVPLATFORM_API BOOL IsDebuggerPresent();
// Stops in the attached debugger; without one the process would die of SIGTRAP, as on Windows.
CVPLATFORM_API void DebugBreak();
