// One job through the filter module, as the pipeline manager runs it: the property bags and
// streams built from the job file, then DllGetClassObject, CreateInstance, InitializeFilter,
// StartOperation, ShutdownOperation and the last Release.
#pragma once

#include <cstdio>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "host/job/JobFile.h"
#include "host/pipeline/HostReadStream.h"
#include "host/pipeline/JobCancellation.h"
#include "seam/Win32Seam.h"

class JobRun {
  public:
    struct Outcome {
        HRESULT result = E_FAIL;
        std::string message;
        std::uint64_t bytesIn = 0;
        std::uint64_t bytesOut = 0;
        // The filter's own account of the operation, record by record.
        std::vector<nlohmann::ordered_json> account;
    };

    // Notes on what the build could not use of the job file go to `notes`. A `cancellation`
    // cancels the job as the pipeline manager would; an `observer` sees the input's bytes as the
    // filter first reads them.
    static Outcome Execute(const JobFile& job, std::FILE* input, bool inputSeekable,
                           std::FILE* output, std::ostream& notes,
                           JobCancellation* cancellation = nullptr,
                           HostReadStream::Observer observer = {});
};
