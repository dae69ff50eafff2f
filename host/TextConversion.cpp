// UTF-8 <-> UTF-16 through the platform's code page conversions.
#include "TextConversion.h"

#include <algorithm>

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

std::filesystem::path TextConversion::NativePath(const std::basic_string<WCHAR>& path) {
#if defined(_WIN32)
    return std::filesystem::path(path);
#else
    std::string native = ToUtf8(path);
    std::replace(native.begin(), native.end(), '\\', '/');
    return std::filesystem::path(native);
#endif
}
