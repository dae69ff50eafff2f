// UTF-16 text of the utility library. Narrow text converts from the ANSI code page; Format takes
// typed arguments, so a format that does not match its arguments is an exception, never a crash.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <type_traits>
#include <variant>

#include "seam/Win32Seam.h"

class CXString {
  public:
    // One argument of Format: a signed or unsigned integer or a wide text.
    class FormatArgument {
      public:
        template <typename Integer, std::enable_if_t<std::is_integral_v<Integer>, int> = 0>
        FormatArgument(Integer value)  // NOLINT(google-explicit-constructor)
        {
            if constexpr (std::is_signed_v<Integer>) {
                this->value = static_cast<std::int64_t>(value);
            } else {
                this->value = static_cast<std::uint64_t>(value);
            }
        }
        FormatArgument(const WCHAR* text) : value(text) {}                 // NOLINT
        FormatArgument(const CXString& text) : value(text.GetString()) {}  // NOLINT

        std::variant<std::int64_t, std::uint64_t, const WCHAR*> value;
    };

    CXString() = default;
    CXString(const WCHAR* text);  // NOLINT(google-explicit-constructor)
    CXString(const WCHAR* text, int length);
    explicit CXString(const char* ansiText);
    explicit CXString(std::basic_string<WCHAR> text);

    const WCHAR* GetString() const noexcept { return text.c_str(); }
    operator const WCHAR*() const noexcept { return text.c_str(); }  // NOLINT
    int GetLength() const noexcept { return static_cast<int>(text.size()); }
    bool IsEmpty() const noexcept { return text.empty(); }
    const std::basic_string<WCHAR>& str() const noexcept { return text; }

    // Replaces the text by `format` with its %d %i %u %x %X (each optionally l, ll or I64 sized),
    // %s and %% filled in; throws CPExceptionInvalidArgument when format and arguments disagree.
    template <typename... Args>
    void Format(const WCHAR* format, const Args&... args) {
        const std::array<FormatArgument, sizeof...(Args)> list{FormatArgument(args)...};
        FormatWithArguments(format, list.data(), list.size());
    }

    // The token that starts at or after `start`, skipping leading delimiters; `start` moves past
    // it. When no token is left, returns an empty text and sets `start` to -1.
    CXString Tokenize(const WCHAR* delimiters, int& start) const;
    int Find(WCHAR character, int start = 0) const noexcept;
    int Find(const WCHAR* part, int start = 0) const noexcept;
    // The index of the last `character`; -1 when absent.
    int ReverseFind(WCHAR character) const noexcept;
    CXString Left(int count) const;
    // Empty, or nothing but white space.
    bool IsBlank() const noexcept;

    // Gives `length` writable characters (plus a terminator) over the text; ReleaseBuffer(-1) then
    // ends the text at the first terminator, ReleaseBuffer(n) at n characters.
    WCHAR* GetBufferSetLength(int length);
    void ReleaseBuffer(int newLength = -1);

    CXString& operator+=(const CXString& other);
    CXString& operator+=(const WCHAR* other);
    friend CXString operator+(CXString left, const CXString& right) { return left += right; }
    friend bool operator==(const CXString& a, const CXString& b) { return a.text == b.text; }

  private:
    void FormatWithArguments(const WCHAR* format, const FormatArgument* arguments,
                             std::size_t count);

    std::basic_string<WCHAR> text;
};
