// The host's pipeline property bag.
#include "host/pipeline/HostPropertyBag.h"

#include <algorithm>

namespace {
// VariantCopy refuses the pipeline's handle properties (VT_BYREF with no base type), so the copy
// is made here: texts and interface references are duplicated, everything else is bitwise.
HRESULT CopyOf(const VARIANT& source, VARIANT& target) {
    target = source;
    if (source.vt == VT_BSTR && source.bstrVal != nullptr) {
        target.bstrVal = SysAllocStringLen(source.bstrVal, SysStringLen(source.bstrVal));
        if (target.bstrVal == nullptr) {
            VariantInit(&target);
            return E_OUTOFMEMORY;
        }
    } else if ((source.vt == VT_UNKNOWN || source.vt == VT_DISPATCH) && source.punkVal != nullptr) {
        source.punkVal->AddRef();
    }
    return S_OK;
}

// "PAGE_LEVEL_FEATURES_DELTA_FOR_PAGE_" and a page number.
bool IsPageFeaturesName(const std::basic_string<WCHAR>& name) {
    static const std::basic_string<WCHAR> prefix = WIDE("PAGE_LEVEL_FEATURES_DELTA_FOR_PAGE_");
    return name.size() > prefix.size() && name.compare(0, prefix.size(), prefix) == 0 &&
           std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(),
                       [](WCHAR c) { return c >= WIDE('0') && c <= WIDE('9'); });
}
}  // namespace

HostPropertyBag::HostPropertyBag() : HostComObject(IID_IPrintPipelinePropertyBag) {}

HostPropertyBag::~HostPropertyBag() {
    for (auto& [name, value] : values) {
        VariantClear(&value);
    }
}

HRESULT HostPropertyBag::AddProperty(const WCHAR* name, const VARIANT* value) {
    if (name == nullptr || value == nullptr) {
        return E_POINTER;
    }
    Set(name, *value);
    return S_OK;
}

HRESULT HostPropertyBag::GetProperty(const WCHAR* name, VARIANT* value) {
    if (name == nullptr || value == nullptr) {
        return E_POINTER;
    }
    VariantInit(value);
    const std::lock_guard<std::mutex> lock(mutex);
    const auto found = values.find(name);
    if (found == values.end()) {
        if (!everyPageFeatures || !IsPageFeaturesName(name)) {
            return E_INVALIDARG;
        }
        answered.insert(name);
        value->vt = VT_BSTR;
        value->bstrVal = SysAllocStringLen(everyPageFeatures->data(),
                                           static_cast<UINT>(everyPageFeatures->size()));
        return value->bstrVal != nullptr ? S_OK : E_OUTOFMEMORY;
    }
    answered.insert(name);
    return CopyOf(found->second, *value);
}

BOOL HostPropertyBag::DeleteProperty(const WCHAR* name) {
    const std::lock_guard<std::mutex> lock(mutex);
    const auto found = name != nullptr ? values.find(name) : values.end();
    if (found == values.end()) {
        return FALSE;
    }
    VariantClear(&found->second);
    values.erase(found);
    return TRUE;
}

void HostPropertyBag::SetText(const std::basic_string<WCHAR>& name,
                              const std::basic_string<WCHAR>& text) {
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    Set(name, value);
}

void HostPropertyBag::Set(const std::basic_string<WCHAR>& name, const VARIANT& value) {
    const std::lock_guard<std::mutex> lock(mutex);
    VARIANT& slot = values[name];
    VariantClear(&slot);
    slot = value;
}

void HostPropertyBag::SetEveryPageFeatures(const std::basic_string<WCHAR>& text) {
    const std::lock_guard<std::mutex> lock(mutex);
    everyPageFeatures = text;
}

std::set<std::basic_string<WCHAR>> HostPropertyBag::AnsweredNames() const {
    const std::lock_guard<std::mutex> lock(mutex);
    return answered;
}

std::basic_string<WCHAR> HostPropertyBag::TextOf(const std::basic_string<WCHAR>& name) const {
    const std::lock_guard<std::mutex> lock(mutex);
    const auto found = values.find(name);
    if (found == values.end() || found->second.vt != VT_BSTR || found->second.bstrVal == nullptr) {
        return {};
    }
    return std::basic_string<WCHAR>(found->second.bstrVal, SysStringLen(found->second.bstrVal));
}
