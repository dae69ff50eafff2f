// Print queue access through the spooler.
#include "Printer.h"

#include <vector>

Printer::~Printer() {
    if (handle != nullptr && ownsHandle) {
        ClosePrinter(handle);
    }
}

bool Printer::TryToCreateHandle(const CXString& queueName) {
    if (handle != nullptr && ownsHandle) {
        ClosePrinter(handle);
    }
    handle = nullptr;
    ownsHandle = true;
    std::basic_string<WCHAR> name = queueName.str();
    if (OpenPrinterW(name.data(), &handle, nullptr) == FALSE) {
        handle = nullptr;
        return false;
    }
    return true;
}

bool Printer::GetPrinterDataDword(const CXString& key, const CXString& valueName,
                                  DWORD& value) const {
    if (handle == nullptr) {
        return false;
    }
    DWORD type = 0;
    DWORD data = 0;
    DWORD needed = 0;
    const DWORD result = GetPrinterDataExW(handle, key.GetString(), valueName.GetString(), &type,
                                           reinterpret_cast<BYTE*>(&data), sizeof data, &needed);
    if (result != ERROR_SUCCESS || type != REG_DWORD || needed != sizeof data) {
        return false;
    }
    value = data;
    return true;
}

CXString Printer::GetPrinterDriverDataKeyName() {
    return CXString(WIDE("PrinterDriverData"));
}

bool Printer::IsMSSeparatorPageSelected() const {
    DWORD needed = 0;
    if (handle == nullptr) {
        return false;
    }
    GetPrinterW(handle, 2, nullptr, 0, &needed);
    if (needed < sizeof(PRINTER_INFO_2W)) {
        return false;
    }
    std::vector<BYTE> buffer(needed);
    if (GetPrinterW(handle, 2, buffer.data(), needed, &needed) == FALSE) {
        return false;
    }
    const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    return info->pSepFile != nullptr && info->pSepFile[0] != 0;
}
