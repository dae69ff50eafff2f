// UTF-8 text of the utility library; what goes into XML documents and the print stream as UTF-8.
#pragma once

#include <ostream>
#include <string>

#include "CXString.h"
#include "StrictlyTypedIntegral.h"

class CPString {
  public:
    CPString() = default;
    explicit CPString(const char* utf8Text);
    explicit CPString(std::string utf8Text);
    // Converts UTF-16 to UTF-8; a lone surrogate becomes U+FFFD.
    explicit CPString(const CXString& text);

    // Converts UTF-8 to UTF-16; a byte that is not valid UTF-8 becomes U+FFFD.
    CXString ToWide() const;

    const char* utf8RawBytes() const noexcept { return text.c_str(); }
    // The byte count, without a terminator; a text of 4 GiB or more cannot be counted so and is
    // refused with CPExceptionInvalidArgument.
    SizeRawBytes32 sizeOfUtf8RawBytes() const;
    bool isEmpty() const noexcept { return text.empty(); }
    const std::string& str() const noexcept { return text; }

    CPString& append(const char* bytes, std::size_t count);
    CPString& operator+=(const CPString& other);
    friend bool operator==(const CPString& a, const CPString& b) { return a.text == b.text; }
    friend std::ostream& operator<<(std::ostream& out, const CPString& text) {
        return out << text.text;
    }

  private:
    std::string text;
};
