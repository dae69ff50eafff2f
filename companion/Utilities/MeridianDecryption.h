// Undoes MeridianEncryption over a whole filter output: every encrypted section, found by its
// header, is replaced by its plaintext; every other byte is kept. Nothing of a section is returned
// unless all its records authenticate and its final record is present.
#pragma once

#include <string>
#include <string_view>

#include "CXString.h"

class MeridianDecryption {
  public:
    // The highest PBKDF2 iteration count a header may ask for, so that a damaged or hostile header
    // cannot stall the decryption.
    static constexpr std::uint32_t kMaximumIterations = 100000000;

    // Throws CPExceptionInvalidArgument, naming the section's offset, for a wrong pass phrase, a
    // modified, dropped or reordered record, a missing final record or a header it cannot read.
    static std::string DecryptStream(std::string_view stream, const CXString& passPhrase);
};
