// UTF-16 text: construction from ANSI, Format, search and buffer access.
#include "CXString.h"

#include <utility>

#include "CPExceptionInvalidArgument.h"

namespace {
[[noreturn]] void RejectFormat(const char* why) {
    throw CPExceptionInvalidArgument(std::string("CXString::Format: ") + why, GetLastError(),
                                     CV_DEBUG_CONTEXT(kLibraryCategoryMask));
}

std::size_t LengthOf(const WCHAR* text) {
    std::size_t length = 0;
    while (text[length] != 0) {
        ++length;
    }
    return length;
}

bool IsWhiteSpace(WCHAR c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

std::basic_string<WCHAR> Ascii(const std::string& digits) {
    return std::basic_string<WCHAR>(digits.begin(), digits.end());
}

std::string Digits(std::uint64_t magnitude, unsigned base, bool upper) {
    const char* symbols = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string digits;
    do {
        digits.insert(digits.begin(), symbols[magnitude % base]);
        magnitude /= base;
    } while (magnitude != 0);
    return digits;
}

// Skips an optional length modifier; the argument's own type decides the width of what is printed.
const WCHAR* SkipLengthModifier(const WCHAR* p) {
    if (p[0] == 'I' && p[1] == '6' && p[2] == '4') {
        return p + 3;
    }
    while (*p == 'l' || *p == 'h') {
        ++p;
    }
    return p;
}

std::basic_string<WCHAR> Convert(WCHAR conversion, const CXString::FormatArgument& argument) {
    if (conversion == 's') {
        const auto* text = std::get_if<const WCHAR*>(&argument.value);
        if (text == nullptr) {
            RejectFormat("%s needs a text argument");
        }
        return *text != nullptr ? std::basic_string<WCHAR>(*text) : Ascii("(null)");
    }
    if (std::holds_alternative<const WCHAR*>(argument.value)) {
        RejectFormat("an integer conversion got a text argument");
    }
    const bool isSigned = std::holds_alternative<std::int64_t>(argument.value);
    const std::uint64_t bits =
        isSigned ? static_cast<std::uint64_t>(std::get<std::int64_t>(argument.value))
                 : std::get<std::uint64_t>(argument.value);
    switch (conversion) {
        case 'd':
        case 'i':
            if (isSigned && static_cast<std::int64_t>(bits) < 0) {
                std::basic_string<WCHAR> negative(1, WIDE('-'));
                return negative.append(Ascii(Digits(0 - bits, 10, false)));
            }
            return Ascii(Digits(bits, 10, false));
        case 'u':
            return Ascii(Digits(bits, 10, false));
        case 'x':
        case 'X':
            return Ascii(Digits(bits, 16, conversion == 'X'));
        default:
            RejectFormat("unsupported conversion");
    }
}

// Flags "-" and "0" and a decimal width, applied to a converted value.
struct FieldLayout {
    bool leftAligned = false;
    bool zeroPadded = false;
    std::size_t width = 0;
};

const WCHAR* ParseFieldLayout(const WCHAR* p, FieldLayout& layout) {
    for (; *p == '-' || *p == '0'; ++p) {
        (*p == '-' ? layout.leftAligned : layout.zeroPadded) = true;
    }
    for (; *p >= '0' && *p <= '9'; ++p) {
        layout.width = layout.width * 10 + static_cast<std::size_t>(*p - '0');
        if (layout.width > 4096) {
            RejectFormat("width too large");
        }
    }
    return p;
}

std::basic_string<WCHAR> Pad(std::basic_string<WCHAR> value, const FieldLayout& layout) {
    if (value.size() >= layout.width) {
        return value;
    }
    const std::size_t fill = layout.width - value.size();
    if (layout.leftAligned) {
        return value.append(fill, WIDE(' '));
    }
    const bool zeros = layout.zeroPadded;
    const std::size_t at = zeros && !value.empty() && value[0] == WIDE('-') ? 1 : 0;
    return value.insert(at, fill, zeros ? WIDE('0') : WIDE(' '));
}
}  // namespace

CXString::CXString(const WCHAR* text) : text(text != nullptr ? text : WIDE("")) {}

CXString::CXString(const WCHAR* text, int length)
    : text(text != nullptr && length > 0 ? std::basic_string<WCHAR>(text, length)
                                         : std::basic_string<WCHAR>()) {}

CXString::CXString(std::basic_string<WCHAR> text) : text(std::move(text)) {}

CXString::CXString(const char* ansiText) {
    if (ansiText == nullptr || *ansiText == '\0') {
        return;
    }
    const int needed = MultiByteToWideChar(CP_ACP, 0, ansiText, -1, nullptr, 0);
    text.resize(static_cast<std::size_t>(needed));
    MultiByteToWideChar(CP_ACP, 0, ansiText, -1, text.data(), needed);
    text.resize(static_cast<std::size_t>(needed) - 1);
}

void CXString::FormatWithArguments(const WCHAR* format, const FormatArgument* arguments,
                                   std::size_t count) {
    std::basic_string<WCHAR> result;
    std::size_t used = 0;
    for (const WCHAR* p = format; *p != 0; ++p) {
        if (*p != '%') {
            result += *p;
            continue;
        }
        if (*++p == '%') {
            result += '%';
            continue;
        }
        FieldLayout layout;
        p = SkipLengthModifier(ParseFieldLayout(p, layout));
        if (*p == 0) {
            RejectFormat("the format ends inside a conversion");
        }
        if (used == count) {
            RejectFormat("more conversions than arguments");
        }
        result += Pad(Convert(*p, arguments[used++]), layout);
    }
    if (used != count) {
        RejectFormat("more arguments than conversions");
    }
    text = std::move(result);
}

CXString CXString::Tokenize(const WCHAR* delimiters, int& start) const {
    const std::size_t length = text.size();
    if (start < 0 || static_cast<std::size_t>(start) >= length) {
        start = -1;
        return CXString();
    }
    const auto first = text.find_first_not_of(delimiters, static_cast<std::size_t>(start));
    if (first == std::basic_string<WCHAR>::npos) {
        start = -1;
        return CXString();
    }
    auto end = text.find_first_of(delimiters, first);
    if (end == std::basic_string<WCHAR>::npos) {
        end = length;
    }
    start = static_cast<int>(end) + 1;
    return CXString(text.substr(first, end - first));
}

int CXString::Find(WCHAR character, int start) const noexcept {
    if (start < 0) {
        return -1;
    }
    const auto at = text.find(character, static_cast<std::size_t>(start));
    return at == std::basic_string<WCHAR>::npos ? -1 : static_cast<int>(at);
}

int CXString::ReverseFind(WCHAR character) const noexcept {
    const auto at = text.rfind(character);
    return at == std::basic_string<WCHAR>::npos ? -1 : static_cast<int>(at);
}

int CXString::Find(const WCHAR* part, int start) const noexcept {
    if (start < 0 || part == nullptr || static_cast<std::size_t>(start) > text.size()) {
        return -1;
    }
    const auto at = text.find(part, static_cast<std::size_t>(start), LengthOf(part));
    return at == std::basic_string<WCHAR>::npos ? -1 : static_cast<int>(at);
}

CXString CXString::Left(int count) const {
    if (count <= 0) {
        return CXString();
    }
    return CXString(text.substr(0, static_cast<std::size_t>(count)));
}

bool CXString::IsBlank() const noexcept {
    for (const WCHAR c : text) {
        if (!IsWhiteSpace(c)) {
            return false;
        }
    }
    return true;
}

WCHAR* CXString::GetBufferSetLength(int length) {
    if (length < 0) {
        throw CPExceptionInvalidArgument("CXString::GetBufferSetLength: negative length",
                                         GetLastError(), CV_DEBUG_CONTEXT(kLibraryCategoryMask));
    }
    text.resize(static_cast<std::size_t>(length));
    return text.data();
}

void CXString::ReleaseBuffer(int newLength) {
    if (newLength < 0) {
        text.resize(LengthOf(text.c_str()));
    } else if (static_cast<std::size_t>(newLength) < text.size()) {
        text.resize(static_cast<std::size_t>(newLength));
    }
}

CXString& CXString::operator+=(const CXString& other) {
    text += other.text;
    return *this;
}

CXString& CXString::operator+=(const WCHAR* other) {
    if (other != nullptr) {
        text += other;
    }
    return *this;
}
