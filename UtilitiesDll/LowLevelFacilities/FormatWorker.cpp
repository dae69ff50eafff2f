// The formatter's non-template parts: the raises, the surplus report, the end of the walk and the
// runtime library calls.
#include "FormatWorker.h"

#include <algorithm>

#include "companion/Utilities/CPExceptionInvalidArgument.h"
#include "companion/Utilities/CPExceptionOSApiError.h"
#include "companion/Utilities/DebugUtilities.h"
#include "companion/Utilities/LastErrorPreserver.h"
#include "companion/Utilities/RaiseCPException.h"

namespace InternalCorvoCP {

namespace {
constexpr const char* kSourceFile = "UtilitiesDll\\LowLevelFacilities\\InternalCorvoCP";
constexpr std::uint64_t kCategoryMask = 0x2000;

#if defined(_WIN32)
constexpr const char* kSixtyFourBitModifier = "I64";
#else
constexpr const char* kSixtyFourBitModifier = "ll";
#endif

template <typename Exception>
[[noreturn]] void raise(const char* function, std::uint32_t line, std::string message) {
    const LastErrorPreserver preserved;
    RaiseCPException<Exception>(RaiseSite{kSourceFile, function, line, kCategoryMask},
                                std::move(message), preserved.Value());
}

// The conversion as the runtime library must see it for a value of the given kind, or a raise
// when the conversion cannot take such a value.
std::string CrtSpecification(const FormatSpecification& conversionSpec, const char* conversions,
                             const char* modifier) {
    if (std::strchr(conversions, conversionSpec.getConversion()) == nullptr) {
        raiseUnformattableValue(conversionSpec);
    }
    return conversionSpec.withLengthModifier(modifier);
}

// Steps of one _snprintf into the buffer: the first try at the reserve, the second at the size the
// runtime library asks for.
template <typename Value>
void Snprintf(MessageBuffer& destination, const std::string& crtSpecification, std::size_t reserve,
              Value value) {
    char* target = destination.ensureSpace(reserve);
    std::size_t room = destination.room();
    int count = _snprintf(target, room, crtSpecification.c_str(), value);
    if (count < 0 || static_cast<std::size_t>(count) == room) {
        const int needed = _snprintf(nullptr, 0, crtSpecification.c_str(), value) + 1;
        if (needed > 0) {
            target = destination.makeRoomFor(static_cast<std::size_t>(needed));
            room = destination.room();
            count = _snprintf(target, room, crtSpecification.c_str(), value);
        }
        if (needed <= 0 || count < 0 || static_cast<std::size_t>(count) == room) {
            raise<CPExceptionOSApiError>("InternalCorvoCP::useCrtToProcessFormatSpecification",
                                         __LINE__, "snprintf() failed even after reallocation!");
        }
    }
    destination.commitWritten(static_cast<std::size_t>(count));
}

std::size_t Reserve(const FormatSpecification& conversionSpec) {
    return std::max<std::size_t>(2 * conversionSpec.getFormatSpecificationLength(), 256);
}

// An integer goes to the runtime as a character for %c, else at its full 64-bit width.
template <typename Integer>
void WriteInteger(MessageBuffer& destination, const FormatSpecification& conversionSpec,
                  Integer value) {
    if (conversionSpec.getConversion() == 'c') {
        Snprintf(destination, CrtSpecification(conversionSpec, "c", ""), Reserve(conversionSpec),
                 static_cast<int>(value));
        return;
    }
    Snprintf(destination, CrtSpecification(conversionSpec, "diouxX", kSixtyFourBitModifier),
             Reserve(conversionSpec), value);
}
}  // namespace

void raiseMissingArguments(const char* formatFromRunStart) {
    raise<CPExceptionInvalidArgument>(
        "InternalCorvoCP::formatWorker", __LINE__,
        std::string("Invalid format string: missing arguments. There's no argument corresponding "
                    "to the current format specifier, ") +
            formatFromRunStart);
}

void raiseStarInSpecification() {
    raise<CPExceptionInvalidArgument>(
        "InternalCorvoCP::useCrtToProcessFormatSpecification", __LINE__,
        "The InternalCorvoCP::formatWorker() family of methods does not support the '*' character "
        "for the precision or width in a printf-style format specification.");
}

void raiseNonIntegralValue(char conversion) {
    raise<CPExceptionInvalidArgument>(
        "InternalCorvoCP::outputRequestedIntegralFormatArgument", __LINE__,
        std::string("Non-integral value supplied as integral argument to format string "
                    "character: ") +
            conversion);
}

void raiseUnformattableValue(const FormatSpecification& conversionSpec) {
    raise<CPExceptionInvalidArgument>("InternalCorvoCP::useCrtToProcessFormatSpecification",
                                      __LINE__,
                                      "The argument's type cannot be formatted by the conversion " +
                                          conversionSpec.getFormatSpecificationString());
}

void reportSurplusArguments(const char* formatFromRunStart) noexcept {
    DebugUtilities::reportErrorForLowLevelUtilities(
        "Extra arguments provided to formatWorker(). There's no format specifier corresponding to "
        "this argument in the original format string: %s",
        formatFromRunStart);
}

void formatWorker(MessageBuffer& destination, const char* format) {
    const char* runStart = format;
    for (const char* p = format; *p != '\0'; ++p) {
        if (*p != '%') {
            continue;
        }
        if (p[1] == '%') {
            destination.append(runStart, static_cast<std::size_t>(p + 1 - runStart));
            runStart = p + 2;
            ++p;
            continue;
        }
        destination.append(runStart, static_cast<std::size_t>(p - runStart));
        raiseMissingArguments(runStart);
    }
    destination.append(runStart, std::strlen(runStart));
}

void writeWithCrt(MessageBuffer& destination, const FormatSpecification& conversionSpec,
                  long long value) {
    WriteInteger(destination, conversionSpec, value);
}

void writeWithCrt(MessageBuffer& destination, const FormatSpecification& conversionSpec,
                  unsigned long long value) {
    WriteInteger(destination, conversionSpec, value);
}

void writeWithCrt(MessageBuffer& destination, const FormatSpecification& conversionSpec,
                  double value) {
    Snprintf(destination, CrtSpecification(conversionSpec, "eEfFgGaA", ""), Reserve(conversionSpec),
             value);
}

void writeWithCrt(MessageBuffer& destination, const FormatSpecification& conversionSpec,
                  const char* value) {
    Snprintf(destination, CrtSpecification(conversionSpec, "s", ""), Reserve(conversionSpec),
             value != nullptr ? value : "(null)");
}

}  // namespace InternalCorvoCP
