// `probe`: activates the filter through the module's exports as the pipeline manager does and
// reports each step, so that a build can be checked on any machine without a print server.
#pragma once

#include <ostream>

#include "host/pipeline/FilterModule.h"

class ActivationProbe {
  public:
    explicit ActivationProbe(const FilterModule& module) : module(module) {}

    // Writes one line per step; true when every step gave what the pipeline expects.
    bool Run(std::ostream& out) const;

  private:
    const FilterModule& module;
};
