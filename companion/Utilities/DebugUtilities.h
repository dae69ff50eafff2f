// Diagnostics of the utility library. They go to the process's standard error and, on Windows,
// to the debugger output as well; never into a print stream. On Linux each line starts with the
// host's diagnostic line prefix.
#pragma once

class DebugUtilities {
  public:
    // Reports `format` with its one "%s" replaced by `text`, prefixed by the execution context in
    // force on the thread, if any.
    static void reportErrorForLowLevelUtilities(const char* format, const char* text) noexcept;
};
