// The sink the host puts into the pipeline property bag: it keeps the filter's operation account,
// record by record, as the filter makes it. The report and --explain are built from it alone.
#pragma once

#include <cstddef>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "FilterPipeline/PDLStreamFilter/IPDLStreamFilterAccountSink.h"
#include "host/pipeline/HostComObject.h"

class HostAccountSink : public HostComObject<IPDLStreamFilterAccountSink> {
  public:
    using Json = nlohmann::ordered_json;

    HostAccountSink();

    // A text that is not between an object's braces is refused (E_INVALIDARG) and not kept.
    // Anything else is kept as text and read when the records are asked for: a job sends one per
    // page, and reading each as JSON while the copy runs would cost the copy its speed.
    HRESULT STDMETHODCALLTYPE Record(const char* json, ULONG count) override;

    // The records kept so far, as JSON values, in the order they came; a kept text that does not
    // read as one JSON object is left out, as Record would have refused it had it read it then.
    std::vector<Json> Records() const;

  private:
    std::string texts;
    std::vector<std::pair<std::size_t, std::size_t>> spans;
};
