// Test print queues.
#include "TestSpooler.h"

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>

#include "companion/Utilities/Printer.h"

namespace {
CXString UniqueName() {
    static std::atomic<int> next{0};
    CXString name;
    // The Windows spooler keeps its queues between runs: the clock keeps the names apart.
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    name.Format(WIDE("cv test queue %llu-%d"),
                static_cast<unsigned long long>(
                    std::chrono::duration_cast<std::chrono::microseconds>(now).count()),
                next++);
    return name;
}
}  // namespace

#if defined(_WIN32)
namespace {
void EnsureDriver() {
    static const bool installed = [] {
        DRIVER_INFO_3W driver{};
        driver.cVersion = 3;
        driver.pName = const_cast<LPWSTR>(L"Wine PostScript Driver");
        driver.pDriverPath = const_cast<LPWSTR>(L"c:\\windows\\system32\\wineps.drv");
        driver.pDataFile = driver.pDriverPath;
        driver.pConfigFile = driver.pDriverPath;
        driver.pDefaultDataType = const_cast<LPWSTR>(L"RAW");
        return AddPrinterDriverExW(nullptr, 3, reinterpret_cast<LPBYTE>(&driver),
                                   APD_COPY_NEW_FILES) != FALSE;
    }();
    if (!installed) {
        throw std::runtime_error("the test printer driver cannot be installed");
    }
}
}  // namespace

CXString TestSpooler::NewPrinter(const CXString& separatorFile) {
    EnsureDriver();
    const CXString name = UniqueName();
    std::wstring printerName = name.str();
    std::wstring separator = separatorFile.str();
    PRINTER_INFO_2W info{};
    info.pPrinterName = printerName.data();
    info.pDriverName = const_cast<LPWSTR>(L"Wine PostScript Driver");
    info.pPortName = const_cast<LPWSTR>(L"FILE:");
    info.pPrintProcessor = const_cast<LPWSTR>(L"WinPrint");
    info.pDatatype = const_cast<LPWSTR>(L"RAW");
    info.pSepFile = separator.empty() ? nullptr : separator.data();
    const HANDLE printer = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
    if (printer == nullptr) {
        throw std::runtime_error("AddPrinterW failed: " + std::to_string(GetLastError()));
    }
    ClosePrinter(printer);
    return name;
}

void TestSpooler::SetPrinterDataDword(const CXString& printer, const CXString& valueName,
                                      DWORD value) {
    std::wstring name = printer.str();
    PRINTER_DEFAULTSW access{nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE handle = nullptr;
    if (OpenPrinterW(name.data(), &handle, &access) == FALSE) {
        throw std::runtime_error("OpenPrinterW failed: " + std::to_string(GetLastError()));
    }
    const DWORD result = SetPrinterDataExW(
        handle, Printer::GetPrinterDriverDataKeyName().GetString(), valueName.GetString(),
        REG_DWORD, reinterpret_cast<LPBYTE>(&value), sizeof value);
    ClosePrinter(handle);
    if (result != ERROR_SUCCESS) {
        throw std::runtime_error("SetPrinterDataExW failed: " + std::to_string(result));
    }
}
#else
CXString TestSpooler::NewPrinter(const CXString& separatorFile) {
    const CXString name = UniqueName();
    CvSpoolerDefinePrinter(name.GetString(), separatorFile.GetString());
    return name;
}

void TestSpooler::SetPrinterDataDword(const CXString& printer, const CXString& valueName,
                                      DWORD value) {
    CvSpoolerSetPrinterDataDword(printer.GetString(),
                                 Printer::GetPrinterDriverDataKeyName().GetString(),
                                 valueName.GetString(), value);
}
#endif
