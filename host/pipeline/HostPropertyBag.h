// The pipeline property bag the host gives the filter: named VARIANTs, handed out as copies. It
// remembers the names the filter asked for, which tells which pages' feature properties were read.
#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "host/pipeline/HostComObject.h"

class HostPropertyBag : public HostComObject<IPrintPipelinePropertyBag> {
  public:
    HostPropertyBag();
    ~HostPropertyBag() override;

    // Takes over `value` (its BSTR or interface reference).
    HRESULT STDMETHODCALLTYPE AddProperty(const WCHAR* name, const VARIANT* value) override;
    HRESULT STDMETHODCALLTYPE GetProperty(const WCHAR* name, VARIANT* value) override;
    BOOL STDMETHODCALLTYPE DeleteProperty(const WCHAR* name) override;

    void SetText(const std::basic_string<WCHAR>& name, const std::basic_string<WCHAR>& text);
    void Set(const std::basic_string<WCHAR>& name, const VARIANT& value);
    // The answer to "PAGE_LEVEL_FEATURES_DELTA_FOR_PAGE_<n>" for every page n without its own.
    void SetEveryPageFeatures(const std::basic_string<WCHAR>& text);
    // Names asked for that were there.
    std::set<std::basic_string<WCHAR>> AnsweredNames() const;
    // The text of a string property; empty when absent or not a string.
    std::basic_string<WCHAR> TextOf(const std::basic_string<WCHAR>& name) const;

  private:
    mutable std::mutex mutex;
    std::map<std::basic_string<WCHAR>, VARIANT> values;
    std::set<std::basic_string<WCHAR>> answered;
    std::optional<std::basic_string<WCHAR>> everyPageFeatures;
};
