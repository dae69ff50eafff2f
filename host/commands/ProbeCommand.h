// `pdl-stream-filter probe`: loads a filter module (by default the one beside the program) and
// activates its filter as the pipeline manager does, a line per step.
#pragma once

#include <ostream>
#include <string>

class ProbeCommand {
  public:
    // An empty `modulePath` names the module beside the program. Gives an ExitCode; throws
    // std::runtime_error when the module or one of its exports cannot be found.
    static int Run(const std::string& modulePath, std::ostream& out);
};
