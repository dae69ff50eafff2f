// The sink the host puts into the pipeline property bag: it keeps the filter's operation account,
// record by record, as the filter makes it. The report and --explain are built from it alone.
#pragma once

#include <nlohmann/json.hpp>
#include <vector>

#include "FilterPipeline/PDLStreamFilter/IPDLStreamFilterAccountSink.h"
#include "host/pipeline/HostComObject.h"

class HostAccountSink : public HostComObject<IPDLStreamFilterAccountSink> {
  public:
    using Json = nlohmann::ordered_json;

    HostAccountSink();

    // A record that is not a JSON object is refused (E_INVALIDARG) and not kept.
    HRESULT STDMETHODCALLTYPE Record(const char* json, ULONG count) override;

    const std::vector<Json>& Records() const noexcept { return records; }

  private:
    std::vector<Json> records;
};
