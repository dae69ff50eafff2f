// Tests write wide text as u"" literals; these carry it to and from the build's WCHAR strings
// (char16_t on Linux, wchar_t on Windows; UTF-16 on both).
#pragma once

#include <string>
#include <string_view>

#include "companion/Utilities/CXString.h"

inline std::basic_string<WCHAR> Wide(std::u16string_view text) {
    return std::basic_string<WCHAR>(text.begin(), text.end());
}

inline CXString WideString(std::u16string_view text) {
    return CXString(Wide(text));
}

inline std::u16string Utf16(const CXString& text) {
    return std::u16string(text.str().begin(), text.str().end());
}
