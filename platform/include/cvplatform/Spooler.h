// The print spooler for the Linux build: printers, their printer data and separator pages live in
// this process, defined by the host (CvSpooler... below) from its job description.
#pragma once

#include "cvplatform/PlatformApi.h"
#include "cvplatform/Win32Types.h"

constexpr DWORD REG_DWORD = 4;
constexpr DWORD ERROR_MORE_DATA = 234;
constexpr DWORD ERROR_INVALID_LEVEL = 124;
constexpr DWORD ERROR_INVALID_PRINTER_NAME = 1801;

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

// The host's side: define a printer (again: redefine it), set a DWORD of its printer data, or
// forget every printer.
CVPLATFORM_API void CvSpoolerDefinePrinter(LPCWSTR printerName, LPCWSTR separatorFile);
CVPLATFORM_API void CvSpoolerSetPrinterDataDword(LPCWSTR printerName, LPCWSTR keyName,
                                                 LPCWSTR valueName, DWORD value);
CVPLATFORM_API void CvSpoolerReset();
