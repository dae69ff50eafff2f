// UTF-8 <-> UTF-16 through the platform's code page conversions.
#include "host/job/TextConversion.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>

std::string TextConversion::ToUtf8(const std::basic_string<WCHAR>& text) {
    if (text.empty()) {
        return {};
    }
    const int length = static_cast<int>(text.size());
    const int needed =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, result.data(), needed, nullptr, nullptr);
    return result;
}

std::basic_string<WCHAR> TextConversion::FromUtf8(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    const int length = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
    std::basic_string<WCHAR> result(static_cast<std::size_t>(needed), 0);
    MultiByteToWideChar(CP_UTF8, 0, text.data(), length, result.data(), needed);
    return result;
}

bool TextConversion::IsUtf8(const std::string& text) {
    return text.empty() || MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                               static_cast<int>(text.size()), nullptr, 0) > 0;
}

std::filesystem::path TextConversion::NativePath(const std::basic_string<WCHAR>& path) {
#if defined(_WIN32)
    return std::filesystem::path(path);
#else
    std::string native = ToUtf8(path);
    std::replace(native.begin(), native.end(), '\\', '/');
    return std::filesystem::path(native);
#endif
}

std::optional<long long> TextConversion::WholeNumber(const std::string& text, long long least,
                                                     long long most) {
    std::size_t used = 0;
    long long value = 0;
    try {
        value = std::stoll(text, &used);
    } catch (const std::exception&) {
        return std::nullopt;
    }
    if (used != text.size() || value < least || value > most) {
        return std::nullopt;
    }
    return value;
}

std::string TextConversion::HresultText(HRESULT result) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(result));
    return text;
}

std::string TextConversion::GuidText(const GUID& guid) {
    char text[39];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0],
                  guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
                  guid.Data4[6], guid.Data4[7]);
    return text;
}
