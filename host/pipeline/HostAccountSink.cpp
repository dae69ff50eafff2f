// The host's account sink.
#include "host/pipeline/HostAccountSink.h"

namespace {
bool OpensAnObject(const char* json, ULONG count) {
    const char* end = json + count;
    const char* first = json;
    while (first != end && (*first == ' ' || *first == '\t' || *first == '\r' || *first == '\n')) {
        ++first;
    }
    return first != end && *first == '{';
}
}  // namespace

HostAccountSink::HostAccountSink() : HostComObject(IID_IPDLStreamFilterAccountSink) {}

HRESULT HostAccountSink::Record(const char* json, ULONG count) {
    if (json == nullptr) {
        return E_POINTER;
    }
    try {
        if (!OpensAnObject(json, count) || !Json::accept(json, json + count)) {
            return E_INVALIDARG;
        }
        spans.emplace_back(texts.size(), count);
        texts.append(json, count);
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

std::vector<HostAccountSink::Json> HostAccountSink::Records() const {
    std::vector<Json> records;
    records.reserve(spans.size());
    for (const auto& [offset, count] : spans) {
        const char* text = texts.data() + offset;
        records.push_back(Json::parse(text, text + count));
    }
    return records;
}
