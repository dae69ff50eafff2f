// The driver property bag the host gives the filter under "DriverPropertyBag": the values of the
// job file's "driver" object under the names the filter reads.
#pragma once

#include <map>
#include <string>

#include "host/job/JobFile.h"
#include "host/pipeline/HostComObject.h"

class HostDriverPropertyBag : public HostComObject<IPrinterPropertyBag> {
  public:
    explicit HostDriverPropertyBag(const JobFile::Driver& driver);

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override;
    HRESULT STDMETHODCALLTYPE GetBool(BSTR name, BOOL* value) override;
    HRESULT STDMETHODCALLTYPE SetBool(BSTR name, BOOL value) override;
    HRESULT STDMETHODCALLTYPE GetInt32(BSTR name, LONG* value) override;
    HRESULT STDMETHODCALLTYPE SetInt32(BSTR name, LONG value) override;
    HRESULT STDMETHODCALLTYPE GetString(BSTR name, BSTR* value) override;
    HRESULT STDMETHODCALLTYPE SetString(BSTR name, BSTR value) override;
    HRESULT STDMETHODCALLTYPE GetBytes(BSTR, DWORD*, BYTE**) override;
    HRESULT STDMETHODCALLTYPE SetBytes(BSTR, DWORD, BYTE*) override;
    HRESULT STDMETHODCALLTYPE GetReadStream(BSTR, IStream**) override;
    HRESULT STDMETHODCALLTYPE GetWriteStream(BSTR, IStream**) override;

  private:
    using Name = std::basic_string<WCHAR>;
    static Name NameOf(BSTR name);

    std::map<Name, bool> bools;
    std::map<Name, LONG> ints;
    std::map<Name, Name> strings;
};
