// One printf conversion conversionSpec, parsed: "%" flags width .precision length conversion. The
// parser accepts the C99 grammar with the Microsoft length modifiers (I, I32, I64, w) and refuses
// what would make the runtime library write through an argument (%n) or read past the text.
#pragma once

#include <string>

class FormatSpecification {
  public:
    // `afterPercent` is the first character behind the "%"; throws CPExceptionInvalidArgument when
    // no valid conversion starts there.
    static FormatSpecification parseAfterFirstPercentCharacter(const char* afterPercent);

    // The whole conversionSpec, from the "%" through the conversion character.
    const std::string& getFormatSpecificationString() const noexcept { return text; }
    std::size_t getFormatSpecificationLength() const noexcept { return text.size(); }
    // Where the format string continues behind the conversionSpec.
    const char* getEnd() const noexcept { return end; }

    char getConversion() const noexcept { return conversion; }
    const std::string& getLengthModifier() const noexcept { return lengthModifier; }
    bool usesStar() const noexcept { return text.find('*') != std::string::npos; }

    // The same conversion with another length modifier (flags, width, precision and conversion
    // kept), for handing a value of a known type to the runtime library.
    std::string withLengthModifier(const std::string& modifier) const;

  private:
    std::string text;
    std::string lengthModifier;
    std::size_t lengthModifierAt = 0;
    char conversion = 0;
    const char* end = nullptr;
};
