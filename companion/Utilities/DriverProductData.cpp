// Product facts from the driver property bag.
#include "DriverProductData.h"

DriverProductData::DriverProductData(const IPrinterPropertyBagAccess& bag) : bag(bag) {}

bool DriverProductData::Flag(const WCHAR* name) const {
    bool value = false;
    bag.GetBool(CXString(name), value);
    return value;
}

LONG DriverProductData::GetControllerFamily() const {
    LONG family = 0;
    bag.GetInt32(CXString(kControllerFamily), family);
    return family;
}
