// The printer's v4 driver as far as the filter needs it: where its package lives. A v4 driver
// keeps its data file in its own package folder of the driver store, so that folder tells the
// driver apart and holds what ships beside it, the printer extension package included.
#pragma once

#include "CXString.h"

class PrintDriver {
  public:
    // The full path of the folder that holds the driver's data file; empty when the spooler
    // names no driver or no data file for the printer.
    static CXString GetV4PrinterDriverIDByReverseEngineering(HANDLE printer);
    // The driver's printer extension package folder: its package folder, when that exists;
    // empty otherwise.
    static CXString GetV4PrinterExtensionPkgFolderPath(const CXString& driverId);
};
