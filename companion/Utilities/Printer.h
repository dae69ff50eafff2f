// A print queue of the spooler, opened by name, and the facts the filter reads from it.
#pragma once

#include "CXString.h"

class Printer {
  public:
    Printer() = default;
    // Works on a handle that the caller opened and keeps; it is not closed here.
    explicit Printer(HANDLE printerHandle) : handle(printerHandle), ownsHandle(false) {}
    ~Printer();
    Printer(const Printer&) = delete;
    Printer& operator=(const Printer&) = delete;

    // Opens the queue; false (no handle) when the spooler does not know it.
    bool TryToCreateHandle(const CXString& queueName);
    // The DWORD printer-data value under `key`; false when there is no handle, no such value, or
    // the value is not a DWORD.
    bool GetPrinterDataDword(const CXString& key, const CXString& valueName, DWORD& value) const;
    // The key under which a driver's own printer data is kept.
    static CXString GetPrinterDriverDataKeyName();
    // True when the queue prints a separator page of its own before each job.
    bool IsMSSeparatorPageSelected() const;

  private:
    HANDLE handle = nullptr;
    bool ownsHandle = true;
};
