// Diagnostic output of the utility library.
#include "DebugUtilities.h"

#include <cstdio>
#include <string>

#include "LastErrorPreserver.h"
#include "UtilitiesDllPerThreadStorage.h"
#include "seam/Win32Seam.h"

namespace {
std::string Substitute(const char* format, const char* text) {
    std::string report = format != nullptr ? format : "";
    const auto at = report.find("%s");
    if (at != std::string::npos) {
        report.replace(at, 2, text != nullptr ? text : "(null)");
    }
    return report;
}

// A Windows process's diagnostics also reach the debugger, and no host parses its standard error.
const char* DiagnosticLinePrefix() {
#if defined(_WIN32)
    return "";
#else
    return CvDiagnosticLinePrefix();
#endif
}

void Emit(const std::string& line) {
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
#if defined(_WIN32)
    const int length = MultiByteToWideChar(CP_UTF8, 0, line.c_str(), -1, nullptr, 0);
    if (length > 0) {
        std::wstring wide(static_cast<std::size_t>(length), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, line.c_str(), -1, wide.data(), length);
        OutputDebugStringW(wide.c_str());
    }
#endif
}
}  // namespace

void DebugUtilities::reportErrorForLowLevelUtilities(const char* format,
                                                     const char* text) noexcept {
    try {
        const LastErrorPreserver preserved;
        std::string line = DiagnosticLinePrefix();
        line += "cv-Utilities: ";
        if (const ExecutionContextBase* context = UtilitiesDllPerThreadStorage::CurrentContext()) {
            line += "[" + context->GetDumpDisplayString().str() + "] ";
        }
        Emit(line + Substitute(format, text) + "\n");
    } catch (...) {
        // A diagnostic that cannot be built is dropped; reporting must never fail the caller.
    }
}
