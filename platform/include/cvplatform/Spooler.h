// The print spooler for the Linux build: printers, their printer data and separator pages live in
// this process, defined by the host (CvSpooler... below) from its job description.
#pragma once

#include "cvplatform/PlatformApi.h"
#include "cvplatform/TimeAndLocale.h"
#include "cvplatform/Win32Types.h"

constexpr DWORD REG_DWORD = 4;
constexpr DWORD ERROR_INVALID_LEVEL = 124;
constexpr DWORD ERROR_INVALID_PRINTER_NAME = 1801;
constexpr DWORD ERROR_UNKNOWN_PRINTER_DRIVER = 1797;
constexpr DWORD ERROR_NOT_FOUND = 1168;

struct DEVMODEW;
struct PRINTER_DEFAULTSW;

struct PRINTER_INFO_2W {
    LPWSTR pServerName;
    LPWSTR pPrinterName;
    LPWSTR pShareName;
    LPWSTR pPortName;
    LPWSTR pDriverName;
    LPWSTR pComment;
    LPWSTR pLocation;
    DEVMODEW* pDevMode;
    LPWSTR pSepFile;
    LPWSTR pPrintProcessor;
    LPWSTR pDatatype;
    LPWSTR pParameters;
    void* pSecurityDescriptor;
    DWORD Attributes;
    DWORD Priority;
    DWORD DefaultPriority;
    DWORD StartTime;
    DWORD UntilTime;
    DWORD Status;
    DWORD cJobs;
    DWORD AveragePPM;
};

struct JOB_INFO_1W {
    DWORD JobId;
    LPWSTR pPrinterName;
    LPWSTR pMachineName;
    LPWSTR pUserName;
    LPWSTR pDocument;
    LPWSTR pDatatype;
    LPWSTR pStatus;
    DWORD Status;
    DWORD Priority;
    DWORD Position;
    DWORD TotalPages;
    DWORD PagesPrinted;
    SYSTEMTIME Submitted;
};

struct DRIVER_INFO_2W {
    DWORD cVersion;
    LPWSTR pName;
    LPWSTR pEnvironment;
    LPWSTR pDriverPath;
    LPWSTR pDataFile;
    LPWSTR pConfigFile;
};

enum EPrintPropertyType {
    kPropertyTypeString = 1,
    kPropertyTypeInt32,
    kPropertyTypeInt64,
    kPropertyTypeByte,
    kPropertyTypeTime,
    kPropertyTypeDevMode,
    kPropertyTypeSD,
    kPropertyTypeNotificationReply,
    kPropertyTypeNotificationOptions,
    kPropertyTypeBuffer,
};

struct PrintPropertyValue {
    EPrintPropertyType ePropertyType;
    union {
        BYTE propertyByte;
        LPWSTR propertyString;
        LONG propertyInt32;
        LONGLONG propertyInt64;
        struct {
            DWORD cbBuf;
            LPVOID pBuf;
        } propertyBlob;
    } value;
};

CVPLATFORM_API BOOL OpenPrinterW(LPWSTR pPrinterName, HANDLE* phPrinter,
                                 PRINTER_DEFAULTSW* pDefault);
CVPLATFORM_API BOOL ClosePrinter(HANDLE hPrinter);
// Answers ERROR_SUCCESS, ERROR_FILE_NOT_FOUND for a value that is not set, ERROR_MORE_DATA when
// the buffer is too small (with the size in *pcbNeeded), ERROR_INVALID_HANDLE.
CVPLATFORM_API DWORD GetPrinterDataExW(HANDLE hPrinter, LPCWSTR pKeyName, LPCWSTR pValueName,
                                       DWORD* pType, BYTE* pData, DWORD nSize, DWORD* pcbNeeded);
// Level 2 only; the strings are placed in the caller's buffer behind the structure.
CVPLATFORM_API BOOL GetPrinterW(HANDLE hPrinter, DWORD Level, BYTE* pPrinter, DWORD cbBuf,
                                DWORD* pcbNeeded);
// Level 1 only, for a job the host defined on this printer.
CVPLATFORM_API BOOL GetJobW(HANDLE hPrinter, DWORD JobId, DWORD Level, BYTE* pJob, DWORD cbBuf,
                            DWORD* pcbNeeded);
// Level 2 only; fails with ERROR_UNKNOWN_PRINTER_DRIVER when the host gave the printer no driver.
CVPLATFORM_API BOOL GetPrinterDriverW(HANDLE hPrinter, LPWSTR pEnvironment, DWORD Level,
                                      BYTE* pDriverInfo, DWORD cbBuf, DWORD* pcbNeeded);
// Text values only; ERROR_NOT_FOUND when the job has no property of that name. The value's text
// is freed with FreePrintPropertyValue.
CVPLATFORM_API DWORD GetJobNamedPropertyValue(HANDLE hPrinter, DWORD JobId, LPCWSTR pszName,
                                              PrintPropertyValue* pValue);
CVPLATFORM_API void FreePrintPropertyValue(PrintPropertyValue* pValue);

// The host's side: define a printer (again: redefine it), or set a DWORD of its printer data.
CVPLATFORM_API void CvSpoolerDefinePrinter(LPCWSTR printerName, LPCWSTR separatorFile);
CVPLATFORM_API void CvSpoolerSetPrinterDataDword(LPCWSTR printerName, LPCWSTR keyName,
                                                 LPCWSTR valueName, DWORD value);
// A job of a defined printer, with its document and user names as the job record gives them.
CVPLATFORM_API void CvSpoolerDefineJob(LPCWSTR printerName, DWORD jobId, LPCWSTR documentName,
                                       LPCWSTR userName);
CVPLATFORM_API void CvSpoolerSetJobNamedProperty(LPCWSTR printerName, DWORD jobId, LPCWSTR name,
                                                 LPCWSTR text);
// The printer's driver: its name and the full path of its data file.
CVPLATFORM_API void CvSpoolerSetPrinterDriver(LPCWSTR printerName, LPCWSTR driverName,
                                              LPCWSTR dataFile);
