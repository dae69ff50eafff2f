// One property of the pipeline property bag, read into a VARIANT that is cleared however the read
// ends, with the typed reads the filter needs. A missing property and one of another type read as
// nothing, so each caller keeps its own default.
#pragma once

#include <optional>

#include "CXString.h"
#include "ComReference.h"
#include "seam/FilterPipelineInterfaces.h"

class PipelineProperty {
  public:
    PipelineProperty(IPrintPipelinePropertyBag* bag, const WCHAR* name);
    ~PipelineProperty();
    PipelineProperty(const PipelineProperty&) = delete;
    PipelineProperty& operator=(const PipelineProperty&) = delete;

    bool Present() const noexcept { return present; }
    // A non-null BSTR, whole (embedded U+0000 included).
    std::optional<CXString> String() const;
    // Any integral VARIANT type whose value fits a LONGLONG.
    std::optional<LONGLONG> Integer() const noexcept;
    // VT_BOOL only.
    std::optional<bool> Flag() const noexcept;
    // VT_UI4 only: the pipeline's job id is typed so.
    std::optional<ULONG> UnsignedLong() const noexcept;
    // VT_BYREF: the handles the pipeline passes.
    std::optional<void*> Pointer() const noexcept;
    // The interface `id` of a VT_UNKNOWN or VT_DISPATCH value; empty when it has none.
    template <typename Interface>
    ComReference<Interface> Query(REFIID id) const noexcept {
        void* found = nullptr;
        if (Object() == nullptr || FAILED(Object()->QueryInterface(id, &found)) ||
            found == nullptr) {
            return ComReference<Interface>();
        }
        return ComReference<Interface>::Adopt(static_cast<Interface*>(found));
    }

  private:
    IUnknown* Object() const noexcept;

    bool present = false;
    VARIANT value;
};
