// The print filter pipeline interfaces with the identifiers and method order of the Windows SDK's
// filterpipeline.h and IPrinterPropertyBag's; the cross compiler ships neither, so both builds
// take them from here.
#pragma once

#include "Win32Seam.h"

struct IStream;

inline constexpr IID IID_IPrintReadStream = {
    0x4d47a67c, 0x66cc, 0x4430, {0x85, 0x0e, 0xda, 0xf4, 0x66, 0xfe, 0x5b, 0xc4}};
inline constexpr IID IID_IPrintWriteStream = {
    0x65bb7f1b, 0x371e, 0x4571, {0x8a, 0xc7, 0x91, 0x2f, 0x51, 0x0c, 0x1a, 0x38}};
inline constexpr IID IID_IInterFilterCommunicator = {
    0x4daf1e69, 0x81fd, 0x462d, {0x94, 0x0f, 0x8c, 0xd3, 0xdd, 0xf5, 0x6f, 0xca}};
inline constexpr IID IID_IPrintPipelineManagerControl = {
    0xaa3e4910, 0x5889, 0x4681, {0x91, 0xef, 0x82, 0x3a, 0xd4, 0xed, 0x4e, 0x44}};
inline constexpr IID IID_IPrintPipelinePropertyBag = {
    0x8b8c99dc, 0x7892, 0x4a95, {0x8a, 0x04, 0x57, 0x42, 0x2e, 0x9f, 0xbb, 0x47}};
inline constexpr IID IID_IPrintPipelineFilter = {
    0xcdb62fc0, 0x8bed, 0x434e, {0x86, 0xfb, 0xa2, 0xca, 0xe5, 0x5f, 0x19, 0xea}};
inline constexpr IID IID_IPrinterPropertyBag = {
    0xfea77364, 0xdf95, 0x4a23, {0xa9, 0x05, 0x01, 0x9b, 0x79, 0xa8, 0xe4, 0x81}};

inline constexpr IID IID_IImgErrorInfo = {
    0x2bce4ece, 0xd30e, 0x445a, {0x94, 0x23, 0x68, 0x29, 0xbe, 0x94, 0x5a, 0xd8}};

// The error record a filter hands to the pipeline manager with a shutdown request (imgerror.h).
struct ImgErrorInfo {
    BSTR description;
    GUID guid;
    DWORD helpContext;
    BSTR helpFile;
    BSTR source;
    BSTR devDescription;
    GUID errorID;
    ULONG cUserParameters;
    BSTR* aUserParameters;
    BSTR userFallback;
    DWORD exceptionID;
};

struct IImgErrorInfo : public IErrorInfo {
    virtual HRESULT STDMETHODCALLTYPE GetDeveloperDescription(BSTR* pbstrDevDescription) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetUserErrorId(GUID* pErrorId) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetUserParameterCount(ULONG* pcUserParams) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetUserParameter(ULONG cParam, BSTR* pbstrParam) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetUserFallback(BSTR* pbstrFallback) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetExceptionId(DWORD* pExceptionId) = 0;
    virtual HRESULT STDMETHODCALLTYPE DetachErrorInfo(ImgErrorInfo* pErrorInfo) = 0;
};

struct IPrintReadStream : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Seek(LONGLONG dlibMove, DWORD dwOrigin,
                                           ULONGLONG* plibNewPosition) = 0;
    virtual HRESULT STDMETHODCALLTYPE ReadBytes(void* pvBuffer, ULONG cbRequested, ULONG* pcbRead,
                                                BOOL* pbEndOfFile) = 0;
};

struct IPrintWriteStream : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE WriteBytes(const void* pvBuffer, ULONG cbBuffer,
                                                 ULONG* pcbWritten) = 0;
    virtual void STDMETHODCALLTYPE Close() = 0;
};

struct IInterFilterCommunicator : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE RequestReader(void** ppIReader) = 0;
    virtual HRESULT STDMETHODCALLTYPE RequestWriter(void** ppIWriter) = 0;
};

struct IPrintPipelineManagerControl : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE RequestShutdown(HRESULT hrReason, IImgErrorInfo* pReason) = 0;
    virtual HRESULT STDMETHODCALLTYPE FilterFinished() = 0;
};

struct IPrintPipelinePropertyBag : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE AddProperty(const WCHAR* pszName, const VARIANT* pVar) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetProperty(const WCHAR* pszName, VARIANT* pVar) = 0;
    virtual BOOL STDMETHODCALLTYPE DeleteProperty(const WCHAR* pszName) = 0;
};

struct IPrintPipelineFilter : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE InitializeFilter(
        IInterFilterCommunicator* pINegotiation, IPrintPipelinePropertyBag* pIPropertyBag,
        IPrintPipelineManagerControl* pIPipelineControl) = 0;
    virtual HRESULT STDMETHODCALLTYPE ShutdownOperation() = 0;
    virtual HRESULT STDMETHODCALLTYPE StartOperation() = 0;
};

struct IPrinterPropertyBag : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE GetBool(BSTR bstrName, BOOL* pbValue) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetBool(BSTR bstrName, BOOL bValue) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetInt32(BSTR bstrName, LONG* pnValue) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetInt32(BSTR bstrName, LONG nValue) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetString(BSTR bstrName, BSTR* pbstrValue) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetString(BSTR bstrName, BSTR bstrValue) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetBytes(BSTR bstrName, DWORD* pcbValue, BYTE** ppValue) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetBytes(BSTR bstrName, DWORD cbValue, BYTE* pValue) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetReadStream(BSTR bstrName, IStream** ppValue) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetWriteStream(BSTR bstrName, IStream** ppValue) = 0;
};
