// Windows-1252 and UTF-8 conversions of the stand-in layer, with the argument and buffer-size
// contract of the Windows functions (a zero output size asks for the size needed).
#include "cvplatform/StringConversion.h"

#include <array>
#include <string>
#include <string_view>

#include "cvplatform/ErrorHandling.h"

namespace {
constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kLoneSurrogate = 0xFFFFFFFF;

// Windows-1252 bytes 0x80..0x9F; the five bytes the code page leaves undefined map to the C1
// control of the same value, as Windows maps them.
constexpr std::array<char16_t, 32> kHighControlRange = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool IsAnsi(UINT codePage) {
    return codePage == CP_ACP || codePage == CP_WINDOWS_1252;
}

int Fail(DWORD error) {
    SetLastError(error);
    return 0;
}

int EncodeWindows1252(char32_t codePoint) {
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) {
        return static_cast<int>(codePoint);
    }
    for (std::size_t i = 0; i < kHighControlRange.size(); ++i) {
        if (kHighControlRange[i] == codePoint) {
            return static_cast<int>(0x80 + i);
        }
    }
    return -1;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Reads one code point at `i` and advances past it; a surrogate without its partner reads as
// kLoneSurrogate.
char32_t NextUtf16(std::u16string_view text, std::size_t& i) {
    const char16_t unit = text[i++];
    if (unit < 0xD800 || unit > 0xDFFF) {
        return unit;
    }
    if (unit <= 0xDBFF && i < text.size() && text[i] >= 0xDC00 && text[i] <= 0xDFFF) {
        const char16_t low = text[i++];
        return 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (low - 0xDC00);
    }
    return kLoneSurrogate;
}

// Reads one code point at `i`; an ill-formed sequence reads as kReplacement and `i` moves past its
// maximal valid prefix only, so the next sequence starts at the first offending byte.
char32_t NextUtf8(std::string_view text, std::size_t& i) {
    const auto lead = static_cast<unsigned char>(text[i++]);
    if (lead < 0x80) {
        return lead;
    }
    int trailing = 0;
    char32_t cp = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        trailing = 1, cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        trailing = 2, cp = lead & 0x0F;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        trailing = 3, cp = lead & 0x07;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return kReplacement;
    }
    for (int k = 0; k < trailing; ++k) {
        if (i >= text.size()) {
            return kReplacement;
        }
        const auto next = static_cast<unsigned char>(text[i]);
        if (next < low || next > high) {
            return kReplacement;
        }
        low = 0x80, high = 0xBF;
        cp = (cp << 6) | (next & 0x3F);
        ++i;
    }
    return cp;
}

void AppendUtf16(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out += static_cast<char16_t>(cp);
        return;
    }
    cp -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (cp >> 10));
    out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
}

template <typename Char>
std::size_t TerminatedLength(const Char* text) {
    std::size_t length = 0;
    while (text[length] != 0) {
        ++length;
    }
    return length + 1;
}

template <typename Char, typename Text>
int CopyOut(const Text& converted, Char* destination, int capacity) {
    if (converted.size() > 0x7FFFFFFF) {
        return Fail(ERROR_NOT_ENOUGH_MEMORY);
    }
    const int needed = static_cast<int>(converted.size());
    if (capacity == 0) {
        return needed;
    }
    if (needed > capacity) {
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    std::copy(converted.begin(), converted.end(), destination);
    return needed;
}

// Windows converts to a single-byte code page one UTF-16 unit at a time, so each half of a
// surrogate pair becomes a default character of its own; the result has as many bytes as the text
// has units, and goes straight to `out`, which holds that many (none for a size query).
void ToWindows1252(std::u16string_view text, LPCSTR defaultChar, BOOL* usedDefault, char* out) {
    const char substitute = defaultChar != nullptr ? defaultChar[0] : '?';
    bool substituted = false;
    for (const char16_t unit : text) {
        const bool surrogate = unit >= 0xD800 && unit <= 0xDFFF;
        const int byte = surrogate ? -1 : EncodeWindows1252(unit);
        substituted |= byte < 0;
        if (out != nullptr) {
            *out++ = byte < 0 ? substitute : static_cast<char>(byte);
        }
    }
    if (usedDefault != nullptr) {
        *usedDefault = substituted ? TRUE : FALSE;
    }
}

int ToWindows1252(std::u16string_view text, DWORD flags, LPCSTR defaultChar, BOOL* usedDefault,
                  LPSTR destination, int capacity) {
    if ((flags & ~WC_NO_BEST_FIT_CHARS) != 0) {
        return Fail(ERROR_INVALID_FLAGS);
    }
    if (text.size() > 0x7FFFFFFF) {
        return Fail(ERROR_NOT_ENOUGH_MEMORY);
    }
    const int needed = static_cast<int>(text.size());
    if (needed > capacity && capacity != 0) {
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    ToWindows1252(text, defaultChar, usedDefault, capacity == 0 ? nullptr : destination);
    return needed;
}

bool ToUtf8(std::u16string_view text, DWORD flags, std::string& out) {
    for (std::size_t i = 0; i < text.size();) {
        const char32_t cp = NextUtf16(text, i);
        if (cp == kLoneSurrogate && (flags & WC_ERR_INVALID_CHARS) != 0) {
            return false;
        }
        AppendUtf8(out, cp == kLoneSurrogate ? kReplacement : cp);
    }
    return true;
}
}  // namespace

int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                        LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar,
                        BOOL* lpUsedDefaultChar) {
    if (lpWideCharStr == nullptr || cchWideChar == 0 || cchWideChar < -1 || cbMultiByte < 0 ||
        (lpMultiByteStr == nullptr && cbMultiByte != 0)) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    const std::size_t length =
        cchWideChar == -1 ? TerminatedLength(lpWideCharStr) : static_cast<std::size_t>(cchWideChar);
    const std::u16string_view text(lpWideCharStr, length);
    if (IsAnsi(CodePage)) {
        return ToWindows1252(text, dwFlags, lpDefaultChar, lpUsedDefaultChar, lpMultiByteStr,
                             cbMultiByte);
    }
    if (CodePage != CP_UTF8) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    if ((dwFlags & ~WC_ERR_INVALID_CHARS) != 0) {
        return Fail(ERROR_INVALID_FLAGS);
    }
    if (lpDefaultChar != nullptr || lpUsedDefaultChar != nullptr) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    std::string converted;
    if (!ToUtf8(text, dwFlags, converted)) {
        return Fail(ERROR_NO_UNICODE_TRANSLATION);
    }
    return CopyOut(converted, lpMultiByteStr, cbMultiByte);
}

int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                        LPWSTR lpWideCharStr, int cchWideChar) {
    if (lpMultiByteStr == nullptr || cbMultiByte == 0 || cbMultiByte < -1 || cchWideChar < 0 ||
        (lpWideCharStr == nullptr && cchWideChar != 0)) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    if ((dwFlags & ~MB_ERR_INVALID_CHARS) != 0) {
        return Fail(ERROR_INVALID_FLAGS);
    }
    const std::size_t length = cbMultiByte == -1 ? TerminatedLength(lpMultiByteStr)
                                                 : static_cast<std::size_t>(cbMultiByte);
    const std::string_view text(lpMultiByteStr, length);
    std::u16string converted;
    if (IsAnsi(CodePage)) {
        for (const char c : text) {
            const auto byte = static_cast<unsigned char>(c);
            converted += byte >= 0x80 && byte < 0xA0 ? kHighControlRange[byte - 0x80] : byte;
        }
    } else if (CodePage == CP_UTF8) {
        for (std::size_t i = 0; i < text.size();) {
            const std::size_t start = i;
            const char32_t cp = NextUtf8(text, i);
            const bool invalid = cp == kReplacement && text.substr(start, 3) != "\xEF\xBF\xBD";
            if (invalid && (dwFlags & MB_ERR_INVALID_CHARS) != 0) {
                return Fail(ERROR_NO_UNICODE_TRANSLATION);
            }
            AppendUtf16(converted, cp);
        }
    } else {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    return CopyOut(converted, lpWideCharStr, cchWideChar);
}
