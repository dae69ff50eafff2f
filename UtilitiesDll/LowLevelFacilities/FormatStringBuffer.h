// The formatter's text: kept in a fixed array while it is short, so that most messages cost no
// allocation, and moved whole into a growable string the first time it would not fit.
#pragma once

#include <cstdint>
#include <memory>
#include <sstream>
#include <string>

#include "IFormatStringStreamDestination.h"
#include "companion/Utilities/XOptional.h"

namespace InternalCorvoCP {

template <std::uint32_t Capacity>
class FormatStringBuffer final : public IFormatStringStreamDestination {
  public:
    FormatStringBuffer() noexcept { fixedText[0] = '\0'; }
    ~FormatStringBuffer() override;
    FormatStringBuffer(const FormatStringBuffer&) = delete;
    FormatStringBuffer& operator=(const FormatStringBuffer&) = delete;

    std::streambuf& acquireStreamBuffer() override;
    void commitStreamedText() override;

    void append(const char* bytes, std::size_t count);
    void append(const std::string& text) { append(text.data(), text.size()); }

    // A write pointer with at least `count` bytes behind it (for the runtime library's formatter).
    char* ensureSpace(std::size_t count);
    // What may be written at the write pointer: the rest of the array, or of the string's size.
    std::size_t room() const noexcept;
    // Makes sure `needed` bytes can be written at the write pointer, keeping the current mode when
    // it has them.
    char* makeRoomFor(std::size_t needed);
    // Takes `count` bytes written at the write pointer into the text.
    void commitWritten(std::size_t count);

    std::string getText() const;
    std::uint32_t getTextLength() const noexcept { return textLength; }
    bool isOverflowing() const noexcept { return overflowText.has_value(); }

  private:
    bool fitsInFixedText(std::size_t count) const noexcept {
        return Capacity - textLength > count + 1;
    }
    void switchToOverflow();
    void addToLength(std::size_t count);

    char fixedText[Capacity];
    XOptional<std::string> overflowText;
    std::uint32_t textLength = 0;
    std::unique_ptr<std::stringbuf> streamBuffer;
};

extern template class FormatStringBuffer<1024>;
using MessageBuffer = FormatStringBuffer<1024>;

}  // namespace InternalCorvoCP
