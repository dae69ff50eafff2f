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

struct JobRecord {
    WideText documentName;
    WideText userName;
    std::map<WideText, WideText> namedProperties;
};

struct PrinterRecord {
    WideText separatorFile;
    std::map<std::pair<WideText, WideText>, DWORD> dwordData;
    std::map<DWORD, JobRecord> jobs;
    WideText driverName;
    WideText driverDataFile;
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

// Lays out a spooler record as Windows does: the structure first, then the texts it points to,
// all in the caller's buffer. Measures when the buffer is too small.
class RecordWriter {
  public:
    RecordWriter(BYTE* buffer, DWORD size, std::size_t recordSize)
        : buffer(buffer), size(size), used(recordSize) {}

    // The place of `text` in the buffer, or null while only measuring.
    LPWSTR Place(const WideText& text) {
        const std::size_t bytes = (text.size() + 1) * sizeof(WCHAR);
        LPWSTR place = Fits(used + bytes) ? reinterpret_cast<LPWSTR>(buffer + used) : nullptr;
        if (place != nullptr) {
            std::memcpy(place, text.c_str(), bytes);
        }
        used += bytes;
        return place;
    }
    // Whether everything placed fits; reports the size needed either way.
    bool Finish(DWORD* needed) const {
        *needed = static_cast<DWORD>(used);
        if (!Fits(used)) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return false;
        }
        return true;
    }

  private:
    bool Fits(std::size_t bytes) const { return buffer != nullptr && bytes <= size; }

    BYTE* buffer;
    DWORD size;
    std::size_t used;
};

// The printer behind a handle; sets the last error and answers null when there is none.
PrinterRecord* RecordOf(HANDLE handle) {
    PrinterHandle* printer = HandleOf(handle);
    const auto record = printer != nullptr ? printers.find(printer->name) : printers.end();
    if (record == printers.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return &record->second;
}
}  // namespace

void CvSpoolerDefinePrinter(LPCWSTR printerName, LPCWSTR separatorFile) {
    const std::lock_guard<std::mutex> lock(spoolerMutex);
    printers[Text(printerName)] = PrinterRecord{Text(separatorFile), {}, {}, {}, {}};
}

void CvSpoolerSetPrinterDataDword(LPCWSTR printerName, LPCWSTR keyName, LPCWSTR valueName,
                                  DWORD value) {
    const std::lock_guard<std::mutex> lock(spoolerMutex);
    printers[Text(printerName)].dwordData[{Text(keyName), Text(valueName)}] = value;
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
    const std::lock_guard<std::mutex> lock(spoolerMutex);
    const PrinterRecord* record = RecordOf(hPrinter);
    if (record == nullptr || pcbNeeded == nullptr || Level != 2) {
        if (record != nullptr) {
            SetLastError(Level != 2 ? ERROR_INVALID_LEVEL : ERROR_INVALID_PARAMETER);
        }
        return FALSE;
    }
    PRINTER_INFO_2W info{};
    RecordWriter writer(pPrinter, cbBuf, sizeof info);
    info.pPrinterName = writer.Place(HandleOf(hPrinter)->name);
    info.pSepFile = writer.Place(record->separatorFile);
    if (!writer.Finish(pcbNeeded)) {
        return FALSE;
    }
    std::memcpy(pPrinter, &info, sizeof info);
    return TRUE;
}

BOOL GetJobW(HANDLE hPrinter, DWORD JobId, DWORD Level, BYTE* pJob, DWORD cbBuf, DWORD* pcbNeeded) {
    const std::lock_guard<std::mutex> lock(spoolerMutex);
    const PrinterRecord* record = RecordOf(hPrinter);
    if (record == nullptr) {
        return FALSE;
    }
    const auto job = record->jobs.find(JobId);
    if (pcbNeeded == nullptr || Level != 1 || job == record->jobs.end()) {
        SetLastError(Level != 1 ? ERROR_INVALID_LEVEL : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    JOB_INFO_1W info{};
    RecordWriter writer(pJob, cbBuf, sizeof info);
    info.JobId = JobId;
    info.pPrinterName = writer.Place(HandleOf(hPrinter)->name);
    info.pUserName = writer.Place(job->second.userName);
    info.pDocument = writer.Place(job->second.documentName);
    if (!writer.Finish(pcbNeeded)) {
        return FALSE;
    }
    std::memcpy(pJob, &info, sizeof info);
    return TRUE;
}

BOOL GetPrinterDriverW(HANDLE hPrinter, LPWSTR, DWORD Level, BYTE* pDriverInfo, DWORD cbBuf,
                       DWORD* pcbNeeded) {
    const std::lock_guard<std::mutex> lock(spoolerMutex);
    const PrinterRecord* record = RecordOf(hPrinter);
    if (record == nullptr || pcbNeeded == nullptr || Level != 2 || record->driverName.empty()) {
        if (record != nullptr) {
            SetLastError(Level != 2 ? ERROR_INVALID_LEVEL : ERROR_UNKNOWN_PRINTER_DRIVER);
        }
        return FALSE;
    }
    DRIVER_INFO_2W info{};
    RecordWriter writer(pDriverInfo, cbBuf, sizeof info);
    info.cVersion = 4;
    info.pName = writer.Place(record->driverName);
    info.pDataFile = writer.Place(record->driverDataFile);
    if (!writer.Finish(pcbNeeded)) {
        return FALSE;
    }
    std::memcpy(pDriverInfo, &info, sizeof info);
    return TRUE;
}

DWORD GetJobNamedPropertyValue(HANDLE hPrinter, DWORD JobId, LPCWSTR pszName,
                               PrintPropertyValue* pValue) {
    const std::lock_guard<std::mutex> lock(spoolerMutex);
    const PrinterRecord* record = RecordOf(hPrinter);
    if (record == nullptr || pszName == nullptr || pValue == nullptr) {
        return record == nullptr ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER;
    }
    const auto job = record->jobs.find(JobId);
    if (job == record->jobs.end()) {
        return ERROR_INVALID_PARAMETER;
    }
    const auto property = job->second.namedProperties.find(Text(pszName));
    if (property == job->second.namedProperties.end()) {
        return ERROR_NOT_FOUND;
    }
    auto* text = new WCHAR[property->second.size() + 1];
    std::memcpy(text, property->second.c_str(), (property->second.size() + 1) * sizeof(WCHAR));
    pValue->ePropertyType = kPropertyTypeString;
    pValue->value.propertyString = text;
    return ERROR_SUCCESS;
}

void FreePrintPropertyValue(PrintPropertyValue* pValue) {
    if (pValue != nullptr && pValue->ePropertyType == kPropertyTypeString) {
        delete[] pValue->value.propertyString;
        pValue->value.propertyString = nullptr;
    }
}

void CvSpoolerDefineJob(LPCWSTR printerName, DWORD jobId, LPCWSTR documentName, LPCWSTR userName) {
    const std::lock_guard<std::mutex> lock(spoolerMutex);
    printers[Text(printerName)].jobs[jobId] = JobRecord{Text(documentName), Text(userName), {}};
}

void CvSpoolerSetJobNamedProperty(LPCWSTR printerName, DWORD jobId, LPCWSTR name, LPCWSTR text) {
    const std::lock_guard<std::mutex> lock(spoolerMutex);
    printers[Text(printerName)].jobs[jobId].namedProperties[Text(name)] = Text(text);
}

void CvSpoolerSetPrinterDriver(LPCWSTR printerName, LPCWSTR driverName, LPCWSTR dataFile) {
    const std::lock_guard<std::mutex> lock(spoolerMutex);
    PrinterRecord& record = printers[Text(printerName)];
    record.driverName = Text(driverName);
    record.driverDataFile = Text(dataFile);
}
