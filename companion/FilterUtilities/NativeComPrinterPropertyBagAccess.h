// The driver's property bag over the IPrinterPropertyBag that the pipeline hands over as
// "DriverPropertyBag".
#pragma once

#include "companion/Utilities/ComReference.h"
#include "companion/Utilities/IPrinterPropertyBagAccess.h"
#include "seam/FilterPipelineInterfaces.h"

class NativeComPrinterPropertyBagAccess : public IPrinterPropertyBagAccess {
  public:
    explicit NativeComPrinterPropertyBagAccess(ComReference<IPrinterPropertyBag> bag);

    bool GetBool(const CXString& name, bool& value) const override;
    bool GetInt32(const CXString& name, LONG& value) const override;
    bool GetString(const CXString& name, CXString& value) const override;

  private:
    ComReference<IPrinterPropertyBag> bag;
};
