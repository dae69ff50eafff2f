// Per-thread last error and debugger detection of the stand-in layer.
#include "cvplatform/ErrorHandling.h"

#include <atomic>
#include <csignal>
#include <fstream>
#include <string>

namespace {
thread_local DWORD lastError = ERROR_SUCCESS;

struct SystemMessage {
    DWORD code;
    const char* text;
};
// Windows' own texts of the codes the stand-in reports, so that a message reads the same on both
// builds.
constexpr SystemMessage kSystemMessages[] = {
    {0, "The operation completed successfully."},
    {2, "The system cannot find the file specified."},
    {3, "The system cannot find the path specified."},
    {5, "Access is denied."},
    {6, "The handle is invalid."},
    {8, "Not enough memory resources are available to process this command."},
    {13, "The data is invalid."},
    {30, "The system cannot read from the specified device."},
    {31, "A device attached to the system is not functioning."},
    {50, "The request is not supported."},
    {80, "The file exists."},
    {87, "The parameter is incorrect."},
    {112, "There is not enough space on the disk."},
    {122, "The data area passed to a system call is too small."},
    {126, "The specified module could not be found."},
    {127, "The specified procedure could not be found."},
    {183, "Cannot create a file when that file already exists."},
    {222, "The file type being saved or retrieved has been blocked."},
    {223, "The file size exceeds the limit allowed and cannot be saved."},
    {234, "More data is available."},
    {267, "The directory name is invalid."},
    {1004, "Invalid flags."},
    {1008, "An attempt was made to reference a token that does not exist."},
    {1113, "No mapping for the Unicode character exists in the target multi-byte code page."},
    {1168, "Element not found."},
    {1223, "The operation was canceled by the user."},
    {1332, "No mapping between account names and security IDs was done."},
    {1797, "The printer driver is unknown."},
    {1801, "The printer name is invalid."},
};
}  // namespace

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

namespace {
std::atomic<const char*> diagnosticLinePrefix{""};
}  // namespace

void CvSetDiagnosticLinePrefix(const char* prefix) {
    diagnosticLinePrefix.store(prefix != nullptr ? prefix : "");
}

const char* CvDiagnosticLinePrefix() {
    return diagnosticLinePrefix.load();
}

DWORD FormatMessageW(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId,
                     LPWSTR lpBuffer, DWORD nSize, void*) {
    if (dwFlags != (FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS) ||
        lpSource != nullptr || dwLanguageId != 0 || lpBuffer == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    for (const SystemMessage& message : kSystemMessages) {
        if (message.code != dwMessageId) {
            continue;
        }
        // The texts are ASCII; Windows ends each with CR LF.
        const std::string text = std::string(message.text) + "\r\n";
        if (text.size() + 1 > nSize) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return 0;
        }
        for (std::size_t i = 0; i < text.size(); ++i) {
            lpBuffer[i] = static_cast<WCHAR>(text[i]);
        }
        lpBuffer[text.size()] = 0;
        return static_cast<DWORD>(text.size());
    }
    SetLastError(ERROR_MR_MID_NOT_FOUND);
    return 0;
}
