// BSTR allocation and VARIANT clearing of the stand-in layer.
#include "cvplatform/OleAutomation.h"

#include <cstdlib>

const IID IID_IErrorInfo = {
    0x1CF2B120, 0x547D, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};

namespace {
constexpr std::size_t kLengthPrefixBytes = sizeof(DWORD);

DWORD* PrefixOf(BSTR text) {
    return reinterpret_cast<DWORD*>(text) - 1;
}
}  // namespace

BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui) {
    const std::size_t bytes = static_cast<std::size_t>(ui) * sizeof(OLECHAR);
    if (bytes > 0xFFFFFFFFu - sizeof(OLECHAR)) {
        return nullptr;
    }
    auto* block = static_cast<BYTE*>(std::malloc(kLengthPrefixBytes + bytes + sizeof(OLECHAR)));
    if (block == nullptr) {
        return nullptr;
    }
    *reinterpret_cast<DWORD*>(block) = static_cast<DWORD>(bytes);
    auto* text = reinterpret_cast<BSTR>(block + kLengthPrefixBytes);
    if (strIn != nullptr) {
        std::memcpy(text, strIn, bytes);
    } else {
        std::memset(text, 0, bytes);
    }
    text[ui] = 0;
    return text;
}

BSTR SysAllocString(const OLECHAR* psz) {
    if (psz == nullptr) {
        return nullptr;
    }
    UINT length = 0;
    while (psz[length] != 0) {
        ++length;
    }
    return SysAllocStringLen(psz, length);
}

UINT SysStringByteLen(BSTR bstr) {
    return bstr == nullptr ? 0 : *PrefixOf(bstr);
}

UINT SysStringLen(BSTR pbstr) {
    return SysStringByteLen(pbstr) / sizeof(OLECHAR);
}

void SysFreeString(BSTR bstrString) {
    if (bstrString != nullptr) {
        std::free(PrefixOf(bstrString));
    }
}

void VariantInit(VARIANT* pvarg) {
    pvarg->vt = VT_EMPTY;
    pvarg->wReserved1 = pvarg->wReserved2 = pvarg->wReserved3 = 0;
    pvarg->llVal = 0;
}

HRESULT VariantClear(VARIANT* pvarg) {
    if (pvarg == nullptr) {
        return E_INVALIDARG;
    }
    if ((pvarg->vt & VT_BYREF) == 0) {
        switch (pvarg->vt) {
            case VT_BSTR:
                SysFreeString(pvarg->bstrVal);
                break;
            case VT_UNKNOWN:
            case VT_DISPATCH:
                if (pvarg->punkVal != nullptr) {
                    pvarg->punkVal->Release();
                }
                break;
            case VT_EMPTY:
            case VT_NULL:
            case VT_I2:
            case VT_I4:
            case VT_R4:
            case VT_R8:
            case VT_ERROR:
            case VT_BOOL:
            case VT_I1:
            case VT_UI1:
            case VT_UI2:
            case VT_UI4:
            case VT_I8:
            case VT_UI8:
            case VT_INT:
            case VT_UINT:
                break;
            default:
                return DISP_E_BADVARTYPE;
        }
    }
    VariantInit(pvarg);
    return S_OK;
}

LPVOID CoTaskMemAlloc(std::size_t cb) {
    return std::malloc(cb == 0 ? 1 : cb);
}

void CoTaskMemFree(LPVOID pv) {
    std::free(pv);
}
