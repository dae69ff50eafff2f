// The error record of a failed operation.
#include "OperationErrorInfo.h"

#include <utility>

namespace {
HRESULT CopyText(const CXString& text, BSTR* out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = SysAllocStringLen(text.GetString(), static_cast<UINT>(text.GetLength()));
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

template <typename Value>
HRESULT Give(Value value, Value* out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = value;
    return S_OK;
}
}  // namespace

OperationErrorInfo::OperationErrorInfo(IUnknown* owner, CXString source, CXString description)
    : CUnknown(IID_IImgErrorInfo, GUID_NULL),
      owner(owner),
      source(std::move(source)),
      description(std::move(description)) {}

IImgErrorInfo* OperationErrorInfo::Create(IUnknown* owner, CXString source, CXString description) {
    return new OperationErrorInfo(owner, std::move(source), std::move(description));
}

HRESULT OperationErrorInfo::QueryInterface(REFIID riid, void** ppvObject) {
    if (ppvObject != nullptr && IsEqualGUID(riid, IID_IErrorInfo)) {
        *ppvObject = static_cast<IErrorInfo*>(this);
        AddRef();
        return S_OK;
    }
    return CUnknown::QueryInterface(riid, ppvObject);
}

HRESULT OperationErrorInfo::GetGUID(GUID* pGUID) {
    return Give(GUID_NULL, pGUID);
}

HRESULT OperationErrorInfo::GetSource(BSTR* pBstrSource) {
    return CopyText(source, pBstrSource);
}

HRESULT OperationErrorInfo::GetDescription(BSTR* pBstrDescription) {
    return CopyText(description, pBstrDescription);
}

HRESULT OperationErrorInfo::GetHelpFile(BSTR* pBstrHelpFile) {
    return Give(BSTR(nullptr), pBstrHelpFile);
}

HRESULT OperationErrorInfo::GetHelpContext(DWORD* pdwHelpContext) {
    return Give(DWORD(0), pdwHelpContext);
}

HRESULT OperationErrorInfo::GetDeveloperDescription(BSTR* pbstrDevDescription) {
    return CopyText(description, pbstrDevDescription);
}

HRESULT OperationErrorInfo::GetUserErrorId(GUID* pErrorId) {
    return Give(GUID_NULL, pErrorId);
}

HRESULT OperationErrorInfo::GetUserParameterCount(ULONG* pcUserParams) {
    return Give(ULONG(0), pcUserParams);
}

HRESULT OperationErrorInfo::GetUserParameter(ULONG, BSTR* pbstrParam) {
    if (pbstrParam != nullptr) {
        *pbstrParam = nullptr;
    }
    return E_INVALIDARG;
}

HRESULT OperationErrorInfo::GetUserFallback(BSTR* pbstrFallback) {
    return CopyText(description, pbstrFallback);
}

HRESULT OperationErrorInfo::GetExceptionId(DWORD* pExceptionId) {
    return Give(DWORD(0), pExceptionId);
}

// The caller owns the texts it receives; the record keeps its own.
HRESULT OperationErrorInfo::DetachErrorInfo(ImgErrorInfo* pErrorInfo) {
    if (pErrorInfo == nullptr) {
        return E_POINTER;
    }
    *pErrorInfo = ImgErrorInfo{};
    const HRESULT results[] = {CopyText(description, &pErrorInfo->description),
                               CopyText(source, &pErrorInfo->source),
                               CopyText(description, &pErrorInfo->devDescription),
                               CopyText(description, &pErrorInfo->userFallback)};
    for (const HRESULT result : results) {
        if (FAILED(result)) {
            for (BSTR text : {pErrorInfo->description, pErrorInfo->source,
                              pErrorInfo->devDescription, pErrorInfo->userFallback}) {
                SysFreeString(text);
            }
            *pErrorInfo = ImgErrorInfo{};
            return result;
        }
    }
    return S_OK;
}
