// `pdl-stream-filter run`: one job through the filter module, with the host as the pipeline
// manager, the job file's facts as property bags and spooler, and files or the standard streams
// as input and output.
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "host/pipeline/JobCancellation.h"

struct RunOptions {
    std::string jobFile;
    // "-" for the standard stream; none: the job file's, else the standard stream.
    std::optional<std::string> input;
    std::optional<std::string> output;
    std::optional<std::string> report;
    std::optional<std::string> programData;
    // Print the filter's account, a line per decision, after the run.
    bool explain = false;
    // The standard streams that were closed when the program started (then /dev/null stands in).
    bool standardInputClosed = false;
    bool standardOutputClosed = false;
    // Cancels the job as the pipeline manager would (a request to stop the program).
    JobCancellation* cancellation = nullptr;
};

class RunCommand {
  public:
    // Runs the job and gives an ExitCode; the summary goes to `summary` (for a person), failures to
    // `errors`.
    static int Run(const RunOptions& options, std::ostream& summary, std::ostream& errors);
};
