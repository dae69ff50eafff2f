// Reads of the driver's IPrinterPropertyBag.
#include "NativeComPrinterPropertyBagAccess.h"

#include <new>
#include <utility>

namespace {
// A BSTR for one call, freed after it.
class NameBstr {
  public:
    explicit NameBstr(const CXString& name)
        : value(SysAllocStringLen(name.GetString(), static_cast<UINT>(name.GetLength()))) {
        if (value == nullptr) {
            throw std::bad_alloc();
        }
    }
    ~NameBstr() { SysFreeString(value); }
    NameBstr(const NameBstr&) = delete;
    NameBstr& operator=(const NameBstr&) = delete;
    operator BSTR() const { return value; }  // NOLINT

  private:
    BSTR value;
};
}  // namespace

NativeComPrinterPropertyBagAccess::NativeComPrinterPropertyBagAccess(
    ComReference<IPrinterPropertyBag> bag)
    : bag(std::move(bag)) {}

bool NativeComPrinterPropertyBagAccess::GetBool(const CXString& name, bool& value) const {
    BOOL result = FALSE;
    if (!bag || FAILED(bag->GetBool(NameBstr(name), &result))) {
        return false;
    }
    value = result != FALSE;
    return true;
}

bool NativeComPrinterPropertyBagAccess::GetInt32(const CXString& name, LONG& value) const {
    LONG result = 0;
    if (!bag || FAILED(bag->GetInt32(NameBstr(name), &result))) {
        return false;
    }
    value = result;
    return true;
}

bool NativeComPrinterPropertyBagAccess::GetString(const CXString& name, CXString& value) const {
    BSTR result = nullptr;
    if (!bag || FAILED(bag->GetString(NameBstr(name), &result))) {
        SysFreeString(result);
        return false;
    }
    value = CXString(result, static_cast<int>(SysStringLen(result)));
    SysFreeString(result);
    return true;
}
