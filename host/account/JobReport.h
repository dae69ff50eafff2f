// The JSON report of `pdl-stream-filter run --report`: the run's result and byte counts beside
// what the filter's own account says it did (items, sections, page features, trailer, failure).
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "host/pipeline/JobRun.h"

class JobReport {
  public:
    using Json = nlohmann::ordered_json;

    static Json Of(const JobRun::Outcome& outcome, const std::string& inputName,
                   const std::string& outputName);
    // The Atrium job folder the account names, as the host's file system names it; null when the
    // job went to no Atrium folder.
    static Json AtriumJobFolder(const std::vector<Json>& account);
};
