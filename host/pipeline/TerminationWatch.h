// What a request to stop does to a running command (SIGTERM from the print service, Ctrl-C at a
// terminal): the job is cancelled as the pipeline manager cancels it, and a program that has not
// ended soon after, because a read or write blocks on a silent pipe, removes its partial outputs
// and exits. A stopped program never lingers and leaves nothing behind.
#pragma once

#include <chrono>
#include <string>

#include "host/pipeline/JobCancellation.h"

class TerminationWatch {
  public:
    // How long a cancelled operation has to end by itself, and the program after it.
    static constexpr std::chrono::milliseconds kOperationGrace{500};
    static constexpr std::chrono::milliseconds kExitGrace{400};
    static constexpr int kStoppedExitCode = 1;

    // Watches for requests from now on; call it before the program starts any thread. Without a
    // `cancellation` a request stops the program at once. `message` goes to standard error when
    // the program is stopped before its operation ended. False when the requests cannot be
    // watched (they then end the program as the system ends it).
    static bool Install(JobCancellation* cancellation, std::string message);
    // The operation returned: what is left is quick, and a request no longer needs the message.
    static void OperationOver() noexcept;
    // Whether a request came, taken or still on its way: the reader of a cancelled job may go
    // away, and fail a write, before the request reaches the operation.
    static bool Requested() noexcept;
};
