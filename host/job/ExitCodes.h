// The exit codes every command of the host shares, so that a script tells a job the filter
// refused from a command line it could not run.
#pragma once

namespace ExitCode {
inline constexpr int kSucceeded = 0;
// The operation ran and failed (or its output or report could not be written).
inline constexpr int kOperationFailed = 1;
// The command line, the job file or a file it names could not be used; nothing ran.
inline constexpr int kBadInvocation = 2;
}  // namespace ExitCode
