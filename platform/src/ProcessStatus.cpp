// Process memory figures of the stand-in layer, from the kernel's accounting.
#include "cvplatform/ProcessStatus.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <fstream>

#include "cvplatform/ErrorHandling.h"

namespace {
HANDLE const kCurrentProcess = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));

SIZE_T ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    std::size_t size = 0;
    std::size_t resident = 0;
    statm >> size >> resident;
    return resident * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}
}  // namespace

HANDLE GetCurrentProcess() {
    return kCurrentProcess;
}

BOOL GetProcessMemoryInfo(HANDLE Process, PROCESS_MEMORY_COUNTERS* ppsmemCounters, DWORD cb) {
    if (ppsmemCounters == nullptr || cb < sizeof(PROCESS_MEMORY_COUNTERS)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    if (Process != kCurrentProcess) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) != 0) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    std::memset(ppsmemCounters, 0, sizeof(PROCESS_MEMORY_COUNTERS));
    ppsmemCounters->cb = sizeof(PROCESS_MEMORY_COUNTERS);
    ppsmemCounters->PeakWorkingSetSize = static_cast<SIZE_T>(usage.ru_maxrss) * 1024;
    ppsmemCounters->WorkingSetSize = ResidentBytes();
    return TRUE;
}
