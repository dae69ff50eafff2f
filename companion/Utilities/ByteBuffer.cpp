// Growable bytes: appending raw, ANSI and UTF-8 data.
#include "ByteBuffer.h"

#include <cstring>

#include "CPExceptionInvalidArgument.h"

namespace {
constexpr std::size_t kMaximumSize = 0xFFFFFFFFu;

bool IsHighSurrogate(WCHAR unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(WCHAR unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// The code page conversion sees UTF-16 units, and would give a character beyond the BMP two "?".
// Each such pair is one character to the reader, so it becomes U+FFFD, which no ANSI code page
// has; only texts that hold a pair are copied.
std::basic_string<WCHAR> OneUnitPerCharacter(const std::basic_string<WCHAR>& text) {
    std::basic_string<WCHAR> collapsed;
    collapsed.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool pair =
            IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1]);
        collapsed += pair ? static_cast<WCHAR>(0xFFFD) : text[i];
        i += pair ? 1 : 0;
    }
    return collapsed;
}

bool HoldsSurrogatePair(const std::basic_string<WCHAR>& text) {
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (IsHighSurrogate(text[i]) && IsLowSurrogate(text[i + 1])) {
            return true;
        }
    }
    return false;
}
}  // namespace

ByteBuffer ByteBuffer::createByteBufferWithUtf8EncodedStringData(const CPString& text) {
    ByteBuffer buffer;
    buffer.append(text.utf8RawBytes(), text.sizeOfUtf8RawBytes());
    return buffer;
}

void ByteBuffer::ReserveFor(std::size_t count) {
    if (count > kMaximumSize - bytes.size()) {
        throw CPExceptionInvalidArgument("ByteBuffer: the buffer would exceed 4 GiB - 1 bytes",
                                         GetLastError(), CV_DEBUG_CONTEXT(kLibraryCategoryMask));
    }
}

ByteBuffer& ByteBuffer::append(const ByteBuffer& other) {
    return append(other.bytes.data(), other.bytes.size());
}

ByteBuffer& ByteBuffer::append(const void* data, std::size_t count) {
    if (count == 0) {
        return *this;
    }
    ReserveFor(count);
    const auto* first = static_cast<const BYTE*>(data);
    bytes.insert(bytes.end(), first, first + count);
    return *this;
}

ByteBuffer& ByteBuffer::appendAsAnsi_LossyForUnicode(const CXString& text) {
    if (text.IsEmpty()) {
        return *this;
    }
    std::basic_string<WCHAR> collapsed;
    const WCHAR* units = text.GetString();
    int length = text.GetLength();
    if (HoldsSurrogatePair(text.str())) {
        collapsed = OneUnitPerCharacter(text.str());
        units = collapsed.data();
        length = static_cast<int>(collapsed.size());
    }
    const int needed = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, units, length, nullptr, 0,
                                           nullptr, nullptr);
    ReserveFor(static_cast<std::size_t>(needed));
    const std::size_t start = bytes.size();
    bytes.resize(start + static_cast<std::size_t>(needed));
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, units, length,
                        reinterpret_cast<char*>(bytes.data() + start), needed, nullptr, nullptr);
    return *this;
}

BYTE* ByteBuffer::appendSpace(std::size_t count) {
    ReserveFor(count);
    const std::size_t start = bytes.size();
    bytes.resize(start + count);
    return bytes.data() + start;
}

ByteBuffer& ByteBuffer::appendNullUtf16Char() {
    const BYTE terminator[2] = {0, 0};
    return append(terminator, sizeof terminator);
}
