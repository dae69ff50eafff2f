// The in-process spooler of the stand-in layer.
#include "cvplatform/Spooler.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "cvplatform/ErrorHandling.h"

namespace {
using WideText = std::basic_string<WCHAR>;

struct PrinterRecord {
    WideText separatorFile;
    std::map<std::pair<WideText, WideText>, DWORD> dwordData;
};

struct PrinterHandle {
    static constexpr std::uint32_t kTag = 0x5052544E;  // "PRTN"
    std::uint32_t tag = kTag;
    WideText name;
};

std::mutex spoolerMutex;
std::map<WideText, PrinterRecord> printers;

WideText Text(LPCWSTR text) {
    return text != nullptr ? WideText(text) : WideText();
}

PrinterHandle* HandleOf(HANDLE handle) {
    auto* printer = static_cast<PrinterHandle*>(handle);
    return printer != nullptr && printer->tag == PrinterHandle::kTag ? printer : nullptr;
}
}  // namespace

void CvSpoolerDefinePrinter(LPCWSTR printerName, LPCWSTR separatorFile) {
    const std::lock_guard<std::mutex> lock(spoolerMutex);
    printers[Text(printerName)] = PrinterRecord{Text(separatorFile), {}};
}

void CvSpoolerSetPrinterDataDword(LPCWSTR printerName, LPCWSTR keyName, LPCWSTR valueName,
                                  DWORD value) {
    const std::lock_guard<std::mutex> lock(spoolerMutex);
    printers[Text(printerName)].dwordData[{Text(keyName), Text(valueName)}] = value;
}

void CvSpoolerReset() {
    const std::lock_guard<std::mutex> lock(spoolerMutex);
    printers.clear();
}

BOOL OpenPrinterW(LPWSTR pPrinterName, HANDLE* phPrinter, PRINTER_DEFAULTSW*) {
    if (phPrinter == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *phPrinter = nullptr;
    const std::lock_guard<std::mutex> lock(spoolerMutex);
    if (pPrinterName == nullptr || printers.count(Text(pPrinterName)) == 0) {
        SetLastError(ERROR_INVALID_PRINTER_NAME);
        return FALSE;
    }
    auto* handle = new PrinterHandle;
    handle->name = Text(pPrinterName);
    *phPrinter = handle;
    return TRUE;
}

BOOL ClosePrinter(HANDLE hPrinter) {
    PrinterHandle* printer = HandleOf(hPrinter);
    if (printer == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    printer->tag = 0;
    delete printer;
    return TRUE;
}

DWORD GetPrinterDataExW(HANDLE hPrinter, LPCWSTR pKeyName, LPCWSTR pValueName, DWORD* pType,
                        BYTE* pData, DWORD nSize, DWORD* pcbNeeded) {
    PrinterHandle* printer = HandleOf(hPrinter);
    if (printer == nullptr || pcbNeeded == nullptr) {
        return printer == nullptr ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER;
    }
    const std::lock_guard<std::mutex> lock(spoolerMutex);
    const auto record = printers.find(printer->name);
    if (record == printers.end()) {
        return ERROR_INVALID_HANDLE;
    }
    const auto value = record->second.dwordData.find({Text(pKeyName), Text(pValueName)});
    if (value == record->second.dwordData.end()) {
        return ERROR_FILE_NOT_FOUND;
    }
    *pcbNeeded = sizeof(DWORD);
    if (pType != nullptr) {
        *pType = REG_DWORD;
    }
    if (pData == nullptr || nSize < sizeof(DWORD)) {
        return ERROR_MORE_DATA;
    }
    std::memcpy(pData, &value->second, sizeof(DWORD));
    return ERROR_SUCCESS;
}

BOOL GetPrinterW(HANDLE hPrinter, DWORD Level, BYTE* pPrinter, DWORD cbBuf, DWORD* pcbNeeded) {
    PrinterHandle* printer = HandleOf(hPrinter);
    if (printer == nullptr || pcbNeeded == nullptr || Level != 2) {
        SetLastError(printer == nullptr
                         ? ERROR_INVALID_HANDLE
                         : (Level != 2 ? ERROR_INVALID_LEVEL : ERROR_INVALID_PARAMETER));
        return FALSE;
    }
    const std::lock_guard<std::mutex> lock(spoolerMutex);
    const WideText& separator = printers[printer->name].separatorFile;
    const std::size_t nameBytes = (printer->name.size() + 1) * sizeof(WCHAR);
    const std::size_t separatorBytes = (separator.size() + 1) * sizeof(WCHAR);
    *pcbNeeded = static_cast<DWORD>(sizeof(PRINTER_INFO_2W) + nameBytes + separatorBytes);
    if (pPrinter == nullptr || cbBuf < *pcbNeeded) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    auto* info = reinterpret_cast<PRINTER_INFO_2W*>(pPrinter);
    std::memset(info, 0, sizeof *info);
    info->pPrinterName = reinterpret_cast<LPWSTR>(pPrinter + sizeof(PRINTER_INFO_2W));
    std::memcpy(info->pPrinterName, printer->name.c_str(), nameBytes);
    info->pSepFile = reinterpret_cast<LPWSTR>(pPrinter + sizeof(PRINTER_INFO_2W) + nameBytes);
    std::memcpy(info->pSepFile, separator.c_str(), separatorBytes);
    return TRUE;
}
