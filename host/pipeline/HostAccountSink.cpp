// The host's account sink.
#include "host/pipeline/HostAccountSink.h"

namespace {
bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Whether the text stands between an object's braces; what is inside them is read later.
bool OutlinesAnObject(const char* json, ULONG count) {
    const char* first = json;
    const char* last = json + count;
    while (first != last && IsSpace(*first)) {
        ++first;
    }
    while (last != first && IsSpace(last[-1])) {
        --last;
    }
    return last - first >= 2 && *first == '{' && last[-1] == '}';
}
}  // namespace

HostAccountSink::HostAccountSink() : HostComObject(IID_IPDLStreamFilterAccountSink) {}

HRESULT HostAccountSink::Record(const char* json, ULONG count) {
    if (json == nullptr) {
        return E_POINTER;
    }
    if (!OutlinesAnObject(json, count)) {
        return E_INVALIDARG;
    }
    try {
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
        Json record = Json::parse(text, text + count, nullptr, false);
        if (record.is_object()) {
            records.push_back(std::move(record));
        }
    }
    return records;
}
