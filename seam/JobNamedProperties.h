// The spooler's named job properties (Windows 8.1 and later). Windows versions and Wine without
// them lack the exports, so on Windows the two calls are found at run time and answer
// ERROR_CALL_NOT_IMPLEMENTED when absent; a static import would keep the module from loading.
#pragma once

#include "Win32Seam.h"

#if defined(_WIN32)
#if defined(__MINGW32__)
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
        PWSTR propertyString;
        LONG propertyInt32;
        LONGLONG propertyInt64;
        struct {
            DWORD cbBuf;
            LPVOID pBuf;
        } propertyBlob;
    } value;
};
#endif

namespace seam {
template <typename Function>
Function SpoolerExport(const char* name) {
    const HMODULE spooler = LoadLibraryW(L"winspool.drv");
    const FARPROC address = spooler != nullptr ? GetProcAddress(spooler, name) : nullptr;
    // Through the generic function pointer type, as GetProcAddress results must be.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

inline DWORD GetJobNamedPropertyValue(HANDLE printer, DWORD jobId, LPCWSTR name,
                                      PrintPropertyValue* value) {
    using Function = DWORD(WINAPI*)(HANDLE, DWORD, PCWSTR, PrintPropertyValue*);
    static const auto function = SpoolerExport<Function>("GetJobNamedPropertyValue");
    return function != nullptr ? function(printer, jobId, name, value) : ERROR_CALL_NOT_IMPLEMENTED;
}

inline void FreePrintPropertyValue(PrintPropertyValue* value) {
    using Function = void(WINAPI*)(PrintPropertyValue*);
    static const auto function = SpoolerExport<Function>("FreePrintPropertyValue");
    if (function != nullptr) {
        function(value);
    }
}
}  // namespace seam
#else
namespace seam {
using ::FreePrintPropertyValue;
using ::GetJobNamedPropertyValue;
}  // namespace seam
#endif
