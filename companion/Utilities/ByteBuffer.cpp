// Growable bytes: appending raw, ANSI and UTF-8 data.
#include "ByteBuffer.h"

#include <cstring>

#include "CPExceptionInvalidArgument.h"

namespace {
constexpr std::size_t kMaximumSize = 0xFFFFFFFFu;
}

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
    const int needed = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.GetString(),
                                           text.GetLength(), nullptr, 0, nullptr, nullptr);
    ReserveFor(static_cast<std::size_t>(needed));
    const std::size_t start = bytes.size();
    bytes.resize(start + static_cast<std::size_t>(needed));
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.GetString(), text.GetLength(),
                        reinterpret_cast<char*>(bytes.data() + start), needed, nullptr, nullptr);
    return *this;
}

ByteBuffer& ByteBuffer::appendNullUtf16Char() {
    const BYTE terminator[2] = {0, 0};
    return append(terminator, sizeof terminator);
}
