// The driver's own settings in its property bag: its PDL, whether its stream is QFCI compliant,
// its product data and the product's PDL data XML.
#pragma once

#include <memory>

#include "CPString.h"
#include "DriverProductData.h"

class CorvoDriverPropertyBag {
  public:
    static constexpr const WCHAR* kPdl = WIDE("Corvo_Pdl");
    static constexpr const WCHAR* kPrintStreamQfciCompliant =
        WIDE("Corvo_PrintStreamQFCICompliant");
    static constexpr const WCHAR* kProductPdlDataXml = WIDE("Corvo_ProductPdlDataXml");

    // `bag` must outlive this object.
    explicit CorvoDriverPropertyBag(const IPrinterPropertyBagAccess& bag);

    // The PDL value; 5001 (none known) when the bag does not say.
    LONG GetPdl() const;
    bool IsPrintStreamQFCICompliant() const;
    const DriverProductData& GetDriverProductData() const { return productData; }
    CPString GetProductPdlDataXml() const;

  private:
    const IPrinterPropertyBagAccess& bag;
    DriverProductData productData;
};
