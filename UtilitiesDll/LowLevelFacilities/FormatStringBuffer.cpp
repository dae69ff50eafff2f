// The formatter's text buffer: fixed array first, growable string after.
#include "FormatStringBuffer.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace InternalCorvoCP {

template <std::uint32_t Capacity>
FormatStringBuffer<Capacity>::~FormatStringBuffer() {
    streamBuffer.reset();
    overflowText.reset();
}

template <std::uint32_t Capacity>
void FormatStringBuffer<Capacity>::addToLength(std::size_t count) {
    if (count > std::numeric_limits<std::uint32_t>::max() - textLength) {
        throw std::length_error("formatted text beyond 4 GiB");
    }
    textLength += static_cast<std::uint32_t>(count);
}

// Moves exactly the committed text: behind it the array may hold bytes of an output that did not
// fit, without a terminator.
template <std::uint32_t Capacity>
void FormatStringBuffer<Capacity>::switchToOverflow() {
    overflowText.emplace(fixedText, textLength);
}

template <std::uint32_t Capacity>
void FormatStringBuffer<Capacity>::append(const char* bytes, std::size_t count) {
    if (!overflowText && fitsInFixedText(count)) {
        std::memcpy(fixedText + textLength, bytes, count);
        addToLength(count);
        fixedText[textLength] = '\0';
        return;
    }
    if (!overflowText) {
        switchToOverflow();
    }
    overflowText->resize(textLength);
    overflowText->append(bytes, count);
    addToLength(count);
}

template <std::uint32_t Capacity>
char* FormatStringBuffer<Capacity>::ensureSpace(std::size_t count) {
    if (!overflowText) {
        if (fitsInFixedText(count)) {
            return fixedText + textLength;
        }
        switchToOverflow();
    }
    if (overflowText->size() - textLength >= count) {
        overflowText->resize(overflowText->capacity());
    } else {
        overflowText->resize(textLength + count + std::min<std::size_t>(count, 64));
    }
    return overflowText->data() + textLength;
}

template <std::uint32_t Capacity>
std::size_t FormatStringBuffer<Capacity>::room() const noexcept {
    return overflowText ? overflowText->size() - textLength : Capacity - textLength;
}

template <std::uint32_t Capacity>
char* FormatStringBuffer<Capacity>::makeRoomFor(std::size_t needed) {
    if (overflowText) {
        if (overflowText->size() - textLength < needed) {
            overflowText->resize(textLength + needed + std::min<std::size_t>(needed, 64));
        }
        return overflowText->data() + textLength;
    }
    if (fitsInFixedText(needed)) {
        return fixedText + textLength;
    }
    switchToOverflow();
    return ensureSpace(needed);
}

template <std::uint32_t Capacity>
void FormatStringBuffer<Capacity>::commitWritten(std::size_t count) {
    addToLength(count);
    if (overflowText) {
        overflowText->resize(textLength);
    } else {
        fixedText[textLength] = '\0';
    }
}

template <std::uint32_t Capacity>
std::streambuf& FormatStringBuffer<Capacity>::acquireStreamBuffer() {
    if (!streamBuffer) {
        streamBuffer = std::make_unique<std::stringbuf>(std::ios_base::out);
    }
    return *streamBuffer;
}

template <std::uint32_t Capacity>
void FormatStringBuffer<Capacity>::commitStreamedText() {
    if (!streamBuffer) {
        return;
    }
    append(streamBuffer->str());
    streamBuffer->str(std::string());
}

template <std::uint32_t Capacity>
std::string FormatStringBuffer<Capacity>::getText() const {
    return overflowText ? *overflowText : std::string(fixedText, textLength);
}

template class FormatStringBuffer<1024>;

}  // namespace InternalCorvoCP
