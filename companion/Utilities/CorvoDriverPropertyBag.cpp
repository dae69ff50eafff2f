// The driver's settings from its property bag.
#include "CorvoDriverPropertyBag.h"

CorvoDriverPropertyBag::CorvoDriverPropertyBag(const IPrinterPropertyBagAccess& bag)
    : bag(bag), productData(bag) {}

LONG CorvoDriverPropertyBag::GetPdl() const {
    LONG pdl = 5001;
    bag.GetInt32(CXString(kPdl), pdl);
    return pdl;
}

bool CorvoDriverPropertyBag::IsPrintStreamQFCICompliant() const {
    bool compliant = false;
    bag.GetBool(CXString(kPrintStreamQfciCompliant), compliant);
    return compliant;
}

CPString CorvoDriverPropertyBag::GetProductPdlDataXml() const {
    CXString xml;
    bag.GetString(CXString(kProductPdlDataXml), xml);
    return CPString(xml);
}
