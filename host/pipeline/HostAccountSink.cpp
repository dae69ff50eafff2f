// The host's account sink.
#include "host/pipeline/HostAccountSink.h"

HostAccountSink::HostAccountSink() : HostComObject(IID_IPDLStreamFilterAccountSink) {}

HRESULT HostAccountSink::Record(const char* json, ULONG count) {
    if (json == nullptr) {
        return E_POINTER;
    }
    try {
        Json record = Json::parse(json, json + count);
        if (!record.is_object()) {
            return E_INVALIDARG;
        }
        records.push_back(std::move(record));
        return S_OK;
    } catch (const Json::exception&) {
        return E_INVALIDARG;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}
