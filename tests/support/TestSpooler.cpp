// Test print queues.
#include "TestSpooler.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

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
HANDLE TestSpooler::Open(const CXString& printer) {
    std::wstring name = printer.str();
    PRINTER_DEFAULTSW access{nullptr, nullptr, PRINTER_ACCESS_USE};
    HANDLE handle = nullptr;
    if (OpenPrinterW(name.data(), &handle, &access) == FALSE) {
        throw std::runtime_error("OpenPrinterW failed: " + std::to_string(GetLastError()));
    }
    return handle;
}

TestJob TestSpooler::NewJob(const CXString&, HANDLE handle, const CXString& documentName) {
    std::wstring document = documentName.str();
    wchar_t output[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, output);
    std::wstring outputFile = std::wstring(output) + L"cv-test-job.prn";
    DOC_INFO_1W info{document.data(), outputFile.data(), const_cast<LPWSTR>(L"RAW")};
    const DWORD id = StartDocPrinterW(handle, 1, reinterpret_cast<LPBYTE>(&info));
    if (id == 0) {
        throw std::runtime_error("StartDocPrinterW failed: " + std::to_string(GetLastError()));
    }
    DWORD needed = 0;
    GetJobW(handle, id, 1, nullptr, 0, &needed);
    std::vector<BYTE> record(std::max<DWORD>(needed, sizeof(JOB_INFO_1W)));
    if (GetJobW(handle, id, 1, record.data(), needed, &needed) == FALSE) {
        throw std::runtime_error("GetJobW failed: " + std::to_string(GetLastError()));
    }
    const auto* job = reinterpret_cast<const JOB_INFO_1W*>(record.data());
    return TestJob{id, CXString(job->pUserName != nullptr ? job->pUserName : L"")};
}

TestUserToken::TestUserToken() {
    HANDLE process = nullptr;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY, &process) == FALSE ||
        DuplicateTokenEx(process, TOKEN_IMPERSONATE | TOKEN_QUERY, nullptr, SecurityImpersonation,
                         TokenImpersonation, &handle) == FALSE) {
        throw std::runtime_error("no impersonation token: " + std::to_string(GetLastError()));
    }
    CloseHandle(process);
    wchar_t name[300] = {};
    ULONG size = 300;
    if (GetUserNameExW(NameSamCompatible, name, &size) == FALSE) {
        throw std::runtime_error("GetUserNameExW failed: " + std::to_string(GetLastError()));
    }
    samCompatibleName = CXString(name);
}

TestUserToken::~TestUserToken() {
    CloseHandle(handle);
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
HANDLE TestSpooler::Open(const CXString& printer) {
    std::basic_string<WCHAR> name = printer.str();
    HANDLE handle = nullptr;
    if (OpenPrinterW(name.data(), &handle, nullptr) == FALSE) {
        throw std::runtime_error("OpenPrinterW failed: " + std::to_string(GetLastError()));
    }
    return handle;
}

TestJob TestSpooler::NewJob(const CXString& printer, HANDLE, const CXString& documentName) {
    static std::atomic<DWORD> next{1};
    const TestJob job{next++, CXString(WIDE("alice"))};
    CvSpoolerDefineJob(printer.GetString(), job.id, documentName.GetString(),
                       job.userName.GetString());
    return job;
}

TestUserToken::TestUserToken()
    : handle(CvCreateUserToken(WIDE("CORP\\alice"))), samCompatibleName(WIDE("CORP\\alice")) {}

TestUserToken::~TestUserToken() {
    CloseHandle(handle);
}
#endif
