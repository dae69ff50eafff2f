// The error record that goes to the pipeline manager with the shutdown request of a failed
// operation: the HRESULT's exception as description, its kind as source. It holds a reference on
// the filter that made it, so the module stays loaded while the manager keeps the record.
#pragma once

#include "CUnknown.h"
#include "companion/Utilities/CXString.h"
#include "companion/Utilities/ComReference.h"
#include "seam/FilterPipelineInterfaces.h"

class OperationErrorInfo : public CUnknown<IImgErrorInfo> {
  public:
    // A new record with one reference, the caller's.
    static IImgErrorInfo* Create(IUnknown* owner, CXString source, CXString description);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;

    HRESULT STDMETHODCALLTYPE GetGUID(GUID* pGUID) override;
    HRESULT STDMETHODCALLTYPE GetSource(BSTR* pBstrSource) override;
    HRESULT STDMETHODCALLTYPE GetDescription(BSTR* pBstrDescription) override;
    HRESULT STDMETHODCALLTYPE GetHelpFile(BSTR* pBstrHelpFile) override;
    HRESULT STDMETHODCALLTYPE GetHelpContext(DWORD* pdwHelpContext) override;
    HRESULT STDMETHODCALLTYPE GetDeveloperDescription(BSTR* pbstrDevDescription) override;
    HRESULT STDMETHODCALLTYPE GetUserErrorId(GUID* pErrorId) override;
    HRESULT STDMETHODCALLTYPE GetUserParameterCount(ULONG* pcUserParams) override;
    HRESULT STDMETHODCALLTYPE GetUserParameter(ULONG cParam, BSTR* pbstrParam) override;
    HRESULT STDMETHODCALLTYPE GetUserFallback(BSTR* pbstrFallback) override;
    HRESULT STDMETHODCALLTYPE GetExceptionId(DWORD* pExceptionId) override;
    HRESULT STDMETHODCALLTYPE DetachErrorInfo(ImgErrorInfo* pErrorInfo) override;

  private:
    OperationErrorInfo(IUnknown* owner, CXString source, CXString description);

    ComReference<IUnknown> owner;
    CXString source;
    CXString description;
};
