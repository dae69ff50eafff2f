// The driver's property bag as the filter reads it: named booleans, integers and texts.
#pragma once

#include "CXString.h"

class IPrinterPropertyBagAccess {
  public:
    virtual ~IPrinterPropertyBagAccess() = default;
    // Each is false, leaving `value` alone, when the bag has no such value of that type.
    virtual bool GetBool(const CXString& name, bool& value) const = 0;
    virtual bool GetInt32(const CXString& name, LONG& value) const = 0;
    virtual bool GetString(const CXString& name, CXString& value) const = 0;
};
