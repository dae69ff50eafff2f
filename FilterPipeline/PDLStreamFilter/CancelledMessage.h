// What a cancelled operation reports, the filter's and its hosts' alike: a print service's log
// says the same of a job however its cancellation reached it.
#pragma once

inline constexpr const char* kCancelledMessage =
    "The job was cancelled: nothing more was read or sent.";
