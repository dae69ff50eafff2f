// The process's own memory figures, for the Linux build: what a host reports of its footprint.
#pragma once

#include <cstddef>

#include "cvplatform/PlatformApi.h"
#include "cvplatform/Win32Types.h"

using SIZE_T = std::size_t;

struct PROCESS_MEMORY_COUNTERS {
    DWORD cb;
    DWORD PageFaultCount;
    SIZE_T PeakWorkingSetSize;
    SIZE_T WorkingSetSize;
    SIZE_T QuotaPeakPagedPoolUsage;
    SIZE_T QuotaPagedPoolUsage;
    SIZE_T QuotaPeakNonPagedPoolUsage;
    SIZE_T QuotaNonPagedPoolUsage;
    SIZE_T PagefileUsage;
    SIZE_T PeakPagefileUsage;
};

// The pseudo handle of the calling process; it needs no closing.
CVPLATFORM_API HANDLE GetCurrentProcess();
// The calling process only: its peak and current resident memory (the working set's equivalent);
// the pool and page file figures are 0.
CVPLATFORM_API BOOL GetProcessMemoryInfo(HANDLE Process, PROCESS_MEMORY_COUNTERS* ppsmemCounters,
                                         DWORD cb);
