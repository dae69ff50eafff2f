// Print queues for tests: the in-process spooler of the Linux stand-in, or real queues of the
// Windows spooler (under Wine, with its PostScript driver) on the Windows build.
#pragma once

#include "companion/Utilities/CXString.h"

class TestSpooler {
  public:
    // A queue of its own for each call, so tests never share printer data.
    static CXString NewPrinter(const CXString& separatorFile = CXString());
    static void SetPrinterDataDword(const CXString& printer, const CXString& valueName,
                                    DWORD value);
};
