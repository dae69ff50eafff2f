// The product facts of the driver's configuration that change how a job is put together.
#pragma once

#include "CXString.h"
#include "IPrinterPropertyBagAccess.h"

class DriverProductData {
  public:
    // Names of the driver property bag's values; a missing one reads as false (or 0).
    static constexpr const WCHAR* kFullQpifSupported = WIDE("Corvo_FullQpifSupported");
    static constexpr const WCHAR* kRequiresGreenSeparatorPageFixUp =
        WIDE("Corvo_RequiresGreenSeparatorPageFixUp");
    static constexpr const WCHAR* kRequiresBothPjlAndQcpt = WIDE("Corvo_RequiresBothPjlAndQcpt");
    static constexpr const WCHAR* kControllerFamily = WIDE("Corvo_ControllerFamily");

    explicit DriverProductData(const IPrinterPropertyBagAccess& bag);

    bool IsFullQpifSupported() const { return Flag(kFullQpifSupported); }
    bool RequiresGreenSeparatorPageFixUp() const { return Flag(kRequiresGreenSeparatorPageFixUp); }
    bool RequiresBothPJL_AND_QCPT() const { return Flag(kRequiresBothPjlAndQcpt); }
    LONG GetControllerFamily() const;

  private:
    bool Flag(const WCHAR* name) const;

    const IPrinterPropertyBagAccess& bag;
};
