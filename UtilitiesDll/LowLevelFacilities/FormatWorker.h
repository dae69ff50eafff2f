// The checked printf-style formatter. The format string is walked once; each conversion consumes
// exactly one argument, whose type is known here, so a missing argument, a "*" width or precision
// or a value that does not fit its conversion is an exception, never a read of an argument that
// was not passed. A surplus argument is reported and the text stands.
#pragma once

#include <cstring>
#include <string>
#include <type_traits>

#include "FormatStringBuffer.h"
#include "TemporaryFormatStringBufferStream.h"
#include "companion/Utilities/CPString.h"
#include "companion/Utilities/CXString.h"
#include "companion/Utilities/FormatSpecification.h"
#include "companion/Utilities/StrictlyTypedIntegral.h"

namespace InternalCorvoCP {

// Raises of the formatter; each keeps the thread's last error and names its function.
[[noreturn]] void raiseMissingArguments(const char* formatFromRunStart);
[[noreturn]] void raiseStarInSpecification();
[[noreturn]] void raiseNonIntegralValue(char conversion);
[[noreturn]] void raiseUnformattableValue(const FormatSpecification& conversionSpec);
void reportSurplusArguments(const char* formatFromRunStart) noexcept;

// One value by one conversion through the runtime library's _snprintf, for the value kinds it
// can take. The conversion's length modifier is replaced by the one the value really has.
void writeWithCrt(MessageBuffer& destination, const FormatSpecification& conversionSpec,
                  long long value);
void writeWithCrt(MessageBuffer& destination, const FormatSpecification& conversionSpec,
                  unsigned long long value);
void writeWithCrt(MessageBuffer& destination, const FormatSpecification& conversionSpec,
                  double value);
void writeWithCrt(MessageBuffer& destination, const FormatSpecification& conversionSpec,
                  const char* value);

template <typename T>
struct IsStrictlyTypedIntegral : std::false_type {};
template <typename Underlying, typename Tag>
struct IsStrictlyTypedIntegral<StrictlyTypedIntegral<Underlying, Tag>> : std::true_type {};

template <typename T>
concept Streamable = requires(std::ostream& out, const T& value) {
    out << value;
};

template <typename T>
void streamArgument(IFormatStringStreamDestination& destination, const T& value) {
    TemporaryFormatStringBufferStream stream(destination);
    if constexpr (std::is_convertible_v<const T&, const char*>) {
        const char* text = value;
        stream << (text != nullptr ? text : "(null)");
    } else if constexpr (Streamable<T>) {
        stream << value;
    }
    stream.commit();
}

template <typename T>
void outputRequestedIntegralFormatArgument(IFormatStringStreamDestination& destination,
                                           char conversion, const T& value) {
    streamArgument(destination, value);
    if constexpr (!std::is_integral_v<T>) {
        if (conversion > 0) {
            raiseNonIntegralValue(conversion);
        }
    }
}

template <typename T>
void useCrtToProcessFormatSpecification(MessageBuffer& destination,
                                        const FormatSpecification& conversionSpec, const T& value) {
    if (conversionSpec.usesStar()) {
        raiseStarInSpecification();
    }
    if constexpr (IsStrictlyTypedIntegral<T>::value) {
        useCrtToProcessFormatSpecification(destination, conversionSpec, value.get());
    } else if constexpr (std::is_integral_v<T> && std::is_signed_v<T>) {
        writeWithCrt(destination, conversionSpec, static_cast<long long>(value));
    } else if constexpr (std::is_integral_v<T>) {
        writeWithCrt(destination, conversionSpec, static_cast<unsigned long long>(value));
    } else if constexpr (std::is_floating_point_v<T>) {
        writeWithCrt(destination, conversionSpec, static_cast<double>(value));
    } else if constexpr (std::is_convertible_v<const T&, const char*>) {
        writeWithCrt(destination, conversionSpec, static_cast<const char*>(value));
    } else if constexpr (std::is_same_v<T, std::string>) {
        writeWithCrt(destination, conversionSpec, value.c_str());
    } else if constexpr (std::is_same_v<T, CPString>) {
        writeWithCrt(destination, conversionSpec, value.utf8RawBytes());
    } else {
        raiseUnformattableValue(conversionSpec);
    }
}

void formatWorker(MessageBuffer& destination, const char* format);

template <typename First, typename... Rest>
void formatWorker(MessageBuffer& destination, const char* format, const First& first,
                  const Rest&... rest) {
    const char* runStart = format;
    for (const char* p = format; *p != '\0'; ++p) {
        if (*p != '%') {
            continue;
        }
        const char next = p[1];
        if (next == '%') {
            destination.append(runStart, static_cast<std::size_t>(p + 1 - runStart));
            runStart = p + 2;
            ++p;
            continue;
        }
        destination.append(runStart, static_cast<std::size_t>(p - runStart));
        if (next == 's' || next == 'S') {
            streamArgument(destination, first);
            formatWorker(destination, p + 2, rest...);
            return;
        }
        if (next == 'd' && !std::is_integral_v<First>) {
            outputRequestedIntegralFormatArgument(destination, 'd', first);
            formatWorker(destination, p + 2, rest...);
            return;
        }
        const FormatSpecification conversionSpec =
            FormatSpecification::parseAfterFirstPercentCharacter(p + 1);
        useCrtToProcessFormatSpecification(destination, conversionSpec, first);
        formatWorker(destination, conversionSpec.getEnd(), rest...);
        return;
    }
    destination.append(runStart, std::strlen(runStart));
    reportSurplusArguments(runStart);
}

}  // namespace InternalCorvoCP
