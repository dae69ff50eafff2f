// An integral count that keeps its meaning in its type (a byte size is not a page number): it
// converts to its underlying type on request and streams as a number, but it is not a built-in
// integral type, so a formatter can tell it apart.
#pragma once

#include <ostream>

template <typename Underlying, typename Tag>
class StrictlyTypedIntegral {
  public:
    constexpr explicit StrictlyTypedIntegral(Underlying value) noexcept : value(value) {}

    constexpr Underlying get() const noexcept { return value; }
    constexpr operator Underlying() const noexcept { return value; }  // NOLINT

    friend std::ostream& operator<<(std::ostream& out, StrictlyTypedIntegral number) {
        return out << number.value;
    }

  private:
    Underlying value;
};

struct SizeRawBytes32Struct {};
using SizeRawBytes32 = StrictlyTypedIntegral<unsigned int, SizeRawBytes32Struct>;
