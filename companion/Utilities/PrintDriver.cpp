// The driver's package folder from the spooler's driver record.
#include "PrintDriver.h"

#include <algorithm>
#include <vector>

CXString PrintDriver::GetV4PrinterDriverIDByReverseEngineering(HANDLE printer) {
    if (printer == nullptr) {
        return CXString();
    }
    DWORD needed = 0;
    GetPrinterDriverW(printer, nullptr, 2, nullptr, 0, &needed);
    if (needed < sizeof(DRIVER_INFO_2W)) {
        return CXString();
    }
    std::vector<BYTE> buffer(needed);
    if (GetPrinterDriverW(printer, nullptr, 2, buffer.data(), needed, &needed) == FALSE) {
        return CXString();
    }
    const auto* driver = reinterpret_cast<const DRIVER_INFO_2W*>(buffer.data());
    if (driver->pDataFile == nullptr) {
        return CXString();
    }
    const CXString dataFile(driver->pDataFile);
    // Windows takes either separator in a path.
    const int separator =
        std::max(dataFile.ReverseFind(WIDE('\\')), dataFile.ReverseFind(WIDE('/')));
    return separator > 0 ? dataFile.Left(separator) : CXString();
}

CXString PrintDriver::GetV4PrinterExtensionPkgFolderPath(const CXString& driverId) {
    if (driverId.IsEmpty()) {
        return CXString();
    }
    const DWORD attributes = GetFileAttributesW(driverId.GetString());
    const bool isFolder =
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return isFolder ? driverId : CXString();
}
