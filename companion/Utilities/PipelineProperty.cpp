// The typed reads of one pipeline property.
#include "PipelineProperty.h"

PipelineProperty::PipelineProperty(IPrintPipelinePropertyBag* bag, const WCHAR* name) {
    VariantInit(&value);
    present = bag != nullptr && SUCCEEDED(bag->GetProperty(name, &value));
}

PipelineProperty::~PipelineProperty() {
    VariantClear(&value);
}

std::optional<CXString> PipelineProperty::String() const {
    if (!present || value.vt != VT_BSTR || value.bstrVal == nullptr) {
        return std::nullopt;
    }
    return CXString(value.bstrVal, static_cast<int>(SysStringLen(value.bstrVal)));
}

std::optional<LONGLONG> PipelineProperty::Integer() const noexcept {
    if (!present) {
        return std::nullopt;
    }
    switch (value.vt) {
        case VT_I1:
            return value.cVal;
        case VT_UI1:
            return value.bVal;
        case VT_I2:
            return value.iVal;
        case VT_UI2:
            return value.uiVal;
        case VT_I4:
            return value.lVal;
        case VT_UI4:
            return value.ulVal;
        case VT_INT:
            return value.intVal;
        case VT_UINT:
            return value.uintVal;
        case VT_I8:
            return value.llVal;
        case VT_UI8:
            return value.ullVal <= 0x7FFFFFFFFFFFFFFFull
                       ? std::optional<LONGLONG>(static_cast<LONGLONG>(value.ullVal))
                       : std::nullopt;
        default:
            return std::nullopt;
    }
}

std::optional<bool> PipelineProperty::Flag() const noexcept {
    if (!present || value.vt != VT_BOOL) {
        return std::nullopt;
    }
    return value.boolVal != VARIANT_FALSE;
}

std::optional<ULONG> PipelineProperty::UnsignedLong() const noexcept {
    if (!present || value.vt != VT_UI4) {
        return std::nullopt;
    }
    return value.ulVal;
}

std::optional<void*> PipelineProperty::Pointer() const noexcept {
    if (!present || value.vt != VT_BYREF) {
        return std::nullopt;
    }
    return value.byref;
}

IUnknown* PipelineProperty::Object() const noexcept {
    if (!present || (value.vt != VT_UNKNOWN && value.vt != VT_DISPATCH)) {
        return nullptr;
    }
    return value.punkVal;
}
