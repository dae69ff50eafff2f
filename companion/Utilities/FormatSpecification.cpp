// Parsing of one printf conversion conversionSpec.
#include "FormatSpecification.h"

#include <cstring>

#include "CPExceptionInvalidArgument.h"

namespace {
[[noreturn]] void Reject(const std::string& why, const char* at) {
    throw CPExceptionInvalidArgument("Invalid conversion (" + why + ") at: %" + std::string(at),
                                     GetLastError(), CV_DEBUG_CONTEXT(kLibraryCategoryMask));
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A width or precision: digits or one "*"; refuses numbers too large for the runtime library.
const char* SkipNumberOrStar(const char* p, const char* start) {
    if (*p == '*') {
        return p + 1;
    }
    const char* first = p;
    while (IsDigit(*p)) {
        ++p;
    }
    if (p - first > 9) {
        Reject("width or precision too large", start);
    }
    return p;
}

const char* SkipLengthModifier(const char* p) {
    static const char* const modifiers[] = {"hh", "h", "ll",  "l",   "L", "q", "j",
                                            "z",  "t", "I64", "I32", "I", "w"};
    for (const char* modifier : modifiers) {
        const std::size_t length = std::strlen(modifier);
        if (std::strncmp(p, modifier, length) == 0) {
            return p + length;
        }
    }
    return p;
}
}  // namespace

FormatSpecification FormatSpecification::parseAfterFirstPercentCharacter(const char* afterPercent) {
    if (afterPercent == nullptr) {
        Reject("no text", "");
    }
    const char* p = afterPercent;
    while (*p != '\0' && std::strchr("-+ #0'", *p) != nullptr) {
        ++p;
    }
    p = SkipNumberOrStar(p, afterPercent);
    if (*p == '.') {
        p = SkipNumberOrStar(p + 1, afterPercent);
    }
    FormatSpecification conversionSpec;
    conversionSpec.lengthModifierAt = static_cast<std::size_t>(p - afterPercent) + 1;
    const char* afterModifier = SkipLengthModifier(p);
    conversionSpec.lengthModifier.assign(p, afterModifier);
    p = afterModifier;
    if (*p == '\0' || std::strchr("diouxXeEfFgGaAcCsSp%", *p) == nullptr) {
        Reject(*p == '\0' ? "the text ends inside it" : "unknown conversion", afterPercent);
    }
    conversionSpec.conversion = *p;
    conversionSpec.end = p + 1;
    conversionSpec.text = "%" + std::string(afterPercent, conversionSpec.end);
    return conversionSpec;
}

std::string FormatSpecification::withLengthModifier(const std::string& modifier) const {
    std::string rewritten = text;
    rewritten.replace(lengthModifierAt, lengthModifier.size(), modifier);
    return rewritten;
}
