// Test doubles of the pipeline's objects.
#include "FakePipeline.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "companion/Utilities/CPString.h"

HRESULT FakeReadStream::Seek(LONGLONG offset, DWORD origin, ULONGLONG* newPosition) {
    if (FAILED(seekResult)) {
        return seekResult;
    }
    const LONGLONG base = origin == 0   ? 0
                          : origin == 1 ? static_cast<LONGLONG>(position)
                                        : static_cast<LONGLONG>(content.size());
    if (origin > 2 || base + offset < 0) {
        return E_INVALIDARG;
    }
    position = static_cast<std::size_t>(base + offset);
    if (newPosition != nullptr) {
        *newPosition = position;
    }
    return S_OK;
}

HRESULT FakeReadStream::ReadBytes(void* buffer, ULONG requested, ULONG* read, BOOL* endOfFile) {
    this->requested.push_back(requested);
    if (++reads == failingRead) {
        return E_FAIL;
    }
    if ((emptyFrom != 0 && reads >= emptyFrom) || (emptyEvery != 0 && reads % emptyEvery == 0)) {
        *read = 0;
        *endOfFile = FALSE;
        return S_OK;
    }
    const std::size_t available = position < content.size() ? content.size() - position : 0;
    std::size_t count = std::min<std::size_t>(requested, available);
    count = chunk != 0 ? std::min<std::size_t>(count, chunk) : count;
    std::memcpy(buffer, content.data() + position, count);
    position += count;
    *read = static_cast<ULONG>(count) + (count == requested ? overReportBy : 0);
    *endOfFile = position >= content.size() ? TRUE : FALSE;
    if (reads == hookedRead && duringHookedRead) {
        duringHookedRead();
    }
    return S_OK;
}

HRESULT FakeWriteStream::WriteBytes(const void* buffer, ULONG count, ULONG* writtenCount) {
    if (++writes == failingWrite) {
        // A hooked failing write fails after the hook: the request came while it was blocked.
        if (writes == hookedWrite && duringHookedWrite) {
            duringHookedWrite();
        }
        *writtenCount = 0;
        return failingWriteResult;
    }
    written.append(static_cast<const char*>(buffer), count);
    blocks.emplace_back(static_cast<const char*>(buffer), count);
    HANDLE token = nullptr;
    const bool hasToken = OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token) != FALSE;
    impersonating.push_back(hasToken);
    if (hasToken) {
        CloseHandle(token);
    }
    *writtenCount = count;
    if (writes == hookedWrite && duringHookedWrite) {
        duringHookedWrite();
    }
    return S_OK;
}

FakeCommunicator::FakeCommunicator(IUnknown* reader, IUnknown* writer)
    : FakeComObject(IID_IInterFilterCommunicator), reader(reader), writer(writer) {
    reader->AddRef();
    writer->AddRef();
}

FakeCommunicator::~FakeCommunicator() {
    reader->Release();
    writer->Release();
}

HRESULT FakeCommunicator::RequestReader(void** out) {
    *out = nullptr;
    if (FAILED(readerResult)) {
        return readerResult;
    }
    reader->AddRef();
    *out = reader;
    return S_OK;
}

HRESULT FakeCommunicator::RequestWriter(void** out) {
    *out = nullptr;
    if (FAILED(writerResult)) {
        return writerResult;
    }
    writer->AddRef();
    *out = writer;
    return S_OK;
}

HRESULT FakePropertyBag::GetProperty(const WCHAR* name, VARIANT* value) {
    requestedNames.emplace_back(name);
    VariantInit(value);
    const auto other = values.find(name);
    if (other != values.end()) {
        *value = other->second;
        if ((value->vt == VT_UNKNOWN || value->vt == VT_DISPATCH) && value->punkVal != nullptr) {
            value->punkVal->AddRef();
        }
        return S_OK;
    }
    const auto found = strings.find(name);
    if (found == strings.end()) {
        return E_FAIL;
    }
    value->vt = VT_BSTR;
    value->bstrVal =
        SysAllocStringLen(found->second.data(), static_cast<UINT>(found->second.size()));
    return S_OK;
}

FakePropertyBag::~FakePropertyBag() {
    for (auto& [name, value] : values) {
        if ((value.vt == VT_UNKNOWN || value.vt == VT_DISPATCH) && value.punkVal != nullptr) {
            value.punkVal->Release();
        }
    }
}

namespace {
std::string Utf8Of(BSTR text) {
    return text != nullptr ? CPString(CXString(text, static_cast<int>(SysStringLen(text)))).str()
                           : std::string();
}
}  // namespace

HRESULT FakeManagerControl::RequestShutdown(HRESULT reason, IImgErrorInfo* record) {
    shutdownReasons.push_back(reason);
    BSTR description = nullptr;
    BSTR source = nullptr;
    if (record != nullptr && SUCCEEDED(record->GetDescription(&description)) &&
        SUCCEEDED(record->GetSource(&source))) {
        shutdownDescriptions.push_back(Utf8Of(description));
        shutdownSources.push_back(Utf8Of(source));
    }
    SysFreeString(description);
    SysFreeString(source);
    return S_OK;
}

HRESULT FakeAccountSink::Record(const char* json, ULONG count) {
    records.emplace_back(json, count);
    if (throws) {
        throw std::runtime_error("the sink fails");
    }
    return result;
}
