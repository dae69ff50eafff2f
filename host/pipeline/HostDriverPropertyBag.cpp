// The host's driver property bag. Only the typed accessors are served: the filter never uses
// late binding, byte values or streams of the bag, so those answer E_NOTIMPL.
#include "host/pipeline/HostDriverPropertyBag.h"

#include "companion/Utilities/CorvoDriverPropertyBag.h"
#include "companion/Utilities/DriverProductData.h"
#include "host/job/TextConversion.h"

namespace {
// Like the spooler's bag: a value that is not there is an error.
constexpr HRESULT kNotFound = static_cast<HRESULT>(0x80070490);  // ERROR_NOT_FOUND

template <typename Map, typename Value>
HRESULT Find(const Map& map, const typename Map::key_type& name, Value* value) {
    if (value == nullptr) {
        return E_POINTER;
    }
    const auto found = map.find(name);
    if (found == map.end()) {
        return kNotFound;
    }
    *value = found->second;
    return S_OK;
}
}  // namespace

HostDriverPropertyBag::HostDriverPropertyBag(const JobFile::Driver& driver)
    : HostComObject(IID_IPrinterPropertyBag) {
    ints[CorvoDriverPropertyBag::kPdl] = driver.pdl;
    bools[CorvoDriverPropertyBag::kPrintStreamQfciCompliant] = driver.printStreamQFCICompliant;
    bools[DriverProductData::kFullQpifSupported] = driver.fullQpifSupported;
    bools[DriverProductData::kRequiresGreenSeparatorPageFixUp] =
        driver.requiresGreenSeparatorPageFixUp;
    bools[DriverProductData::kRequiresBothPjlAndQcpt] = driver.requiresBothPjlAndQcpt;
    ints[DriverProductData::kControllerFamily] = driver.controllerFamily;
    if (!driver.productPdlDataXml.empty()) {
        strings[CorvoDriverPropertyBag::kProductPdlDataXml] =
            TextConversion::FromUtf8(driver.productPdlDataXml);
    }
}

HostDriverPropertyBag::Name HostDriverPropertyBag::NameOf(BSTR name) {
    return name != nullptr ? Name(name, SysStringLen(name)) : Name();
}

HRESULT HostDriverPropertyBag::GetTypeInfoCount(UINT* count) {
    if (count == nullptr) {
        return E_POINTER;
    }
    *count = 0;
    return S_OK;
}

HRESULT HostDriverPropertyBag::GetTypeInfo(UINT, LCID, ITypeInfo**) {
    return E_NOTIMPL;
}

HRESULT HostDriverPropertyBag::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    return E_NOTIMPL;
}

HRESULT HostDriverPropertyBag::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                      UINT*) {
    return E_NOTIMPL;
}

HRESULT HostDriverPropertyBag::GetBool(BSTR name, BOOL* value) {
    if (value == nullptr) {
        return E_POINTER;
    }
    bool flag = false;
    const HRESULT result = Find(bools, NameOf(name), &flag);
    if (SUCCEEDED(result)) {
        *value = flag ? TRUE : FALSE;
    }
    return result;
}

HRESULT HostDriverPropertyBag::SetBool(BSTR name, BOOL value) {
    bools[NameOf(name)] = value != FALSE;
    return S_OK;
}

HRESULT HostDriverPropertyBag::GetInt32(BSTR name, LONG* value) {
    return Find(ints, NameOf(name), value);
}

HRESULT HostDriverPropertyBag::SetInt32(BSTR name, LONG value) {
    ints[NameOf(name)] = value;
    return S_OK;
}

HRESULT HostDriverPropertyBag::GetString(BSTR name, BSTR* value) {
    if (value == nullptr) {
        return E_POINTER;
    }
    Name text;
    const HRESULT result = Find(strings, NameOf(name), &text);
    if (FAILED(result)) {
        return result;
    }
    *value = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *value != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT HostDriverPropertyBag::SetString(BSTR name, BSTR value) {
    strings[NameOf(name)] = NameOf(value);
    return S_OK;
}

HRESULT HostDriverPropertyBag::GetBytes(BSTR, DWORD*, BYTE**) {
    return E_NOTIMPL;
}

HRESULT HostDriverPropertyBag::SetBytes(BSTR, DWORD, BYTE*) {
    return E_NOTIMPL;
}

HRESULT HostDriverPropertyBag::GetReadStream(BSTR, IStream**) {
    return E_NOTIMPL;
}

HRESULT HostDriverPropertyBag::GetWriteStream(BSTR, IStream**) {
    return E_NOTIMPL;
}
