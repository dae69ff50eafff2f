// BSTR, VARIANT, IDispatch and the opaque interfaces that pipeline signatures name, for the Linux
// build. A BSTR carries its byte length in the four bytes before the text, as OLE Automation's
// does.
#pragma once

#include "cvplatform/ComBase.h"

using BSTR = OLECHAR*;
using VARIANT_BOOL = SHORT;
using VARTYPE = USHORT;

constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

enum VARENUM : VARTYPE {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_UNKNOWN = 13,
    VT_I1 = 16,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_I8 = 20,
    VT_UI8 = 21,
    VT_INT = 22,
    VT_UINT = 23,
    VT_ARRAY = 0x2000,
    VT_BYREF = 0x4000,
};

struct ITypeInfo;
struct DISPPARAMS;
struct EXCEPINFO;
struct IStream;

struct IDispatch : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames,
                                                    LCID lcid, DISPID* rgDispId) = 0;
    virtual HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid,
                                             WORD wFlags, DISPPARAMS* pDispParams,
                                             struct VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                                             UINT* puArgErr) = 0;

  protected:
    ~IDispatch() = default;
};

CVPLATFORM_API const IID IID_IErrorInfo;

struct IErrorInfo : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetGUID(GUID* pGUID) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSource(BSTR* pBstrSource) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDescription(BSTR* pBstrDescription) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetHelpFile(BSTR* pBstrHelpFile) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetHelpContext(DWORD* pdwHelpContext) = 0;

  protected:
    ~IErrorInfo() = default;
};

struct VARIANT {
    VARTYPE vt;
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        LONGLONG llVal;
        LONG lVal;
        BYTE bVal;
        SHORT iVal;
        float fltVal;
        double dblVal;
        VARIANT_BOOL boolVal;
        SCODE scode;
        BSTR bstrVal;
        IUnknown* punkVal;
        IDispatch* pdispVal;
        CHAR cVal;
        USHORT uiVal;
        ULONG ulVal;
        ULONGLONG ullVal;
        INT intVal;
        UINT uintVal;
        PVOID byref;
    };
};
using VARIANTARG = VARIANT;

CVPLATFORM_API BSTR SysAllocString(const OLECHAR* psz);
CVPLATFORM_API BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui);
CVPLATFORM_API UINT SysStringLen(BSTR pbstr);
CVPLATFORM_API UINT SysStringByteLen(BSTR bstr);
CVPLATFORM_API void SysFreeString(BSTR bstrString);

CVPLATFORM_API void VariantInit(VARIANT* pvarg);
// Frees what the VARIANT owns (its BSTR, its interface reference) and leaves it VT_EMPTY. Arrays
// are not supported by this layer: such a VARIANT is refused with DISP_E_BADVARTYPE, untouched.
CVPLATFORM_API HRESULT VariantClear(VARIANT* pvarg);

CVPLATFORM_API LPVOID CoTaskMemAlloc(std::size_t cb);
CVPLATFORM_API void CoTaskMemFree(LPVOID pv);
