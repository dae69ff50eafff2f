// The host as a CUPS filter: `pdl-stream-filter cups JOB USER TITLE COPIES OPTIONS [FILE]`, or the
// program started by CUPS (through its link in the filter folder, named after the queue) with the
// same arguments. The queue's PPD gives the driver's settings, the job's options the pipeline
// properties; the filtered job goes to standard output and the messages to standard error with
// CUPS's "ERROR:", "WARNING:", "INFO:" and "DEBUG:" prefixes. SIGTERM cancels the job, and
// ends the program within a second whatever it waits for.
#pragma once

#include <ostream>
#include <string>
#include <vector>

class CupsCommand {
  public:
    static constexpr int kSucceeded = 0;
    static constexpr int kFailed = 1;

    // Whether the program was started as a filter: with a filter's five or six arguments, the
    // first a job id.
    static bool IsFilterInvocation(int argc, char** argv);
    // `arguments` without the program's name; `closedAtStart` has bit 0 set when standard input
    // was closed when the program started, bit 1 for standard output.
    static int Run(const std::vector<std::string>& arguments, std::ostream& log,
                   unsigned closedAtStart = 0);
};
