// Per-thread last error and debugger detection of the stand-in layer.
#include "cvplatform/ErrorHandling.h"

#include <csignal>
#include <fstream>
#include <string>

namespace {
thread_local DWORD lastError = ERROR_SUCCESS;
}

DWORD GetLastError() {
    return lastError;
}

void SetLastError(DWORD dwErrCode) {
    lastError = dwErrCode;
}

BOOL IsDebuggerPresent() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("TracerPid:", 0) == 0) {
            return std::stol(line.substr(10)) != 0 ? TRUE : FALSE;
        }
    }
    return FALSE;
}

void DebugBreak() {
    std::raise(SIGTRAP);
}
