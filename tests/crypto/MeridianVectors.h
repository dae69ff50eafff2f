// Known-answer vectors of the encrypted-section format, read from tests/data: each names a pass
// phrase, an iteration count, the "random" bytes that become salts and nonce prefixes, the calls
// made and the exact output expected.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "companion/Utilities/MeridianEncryption.h"

struct MeridianVector {
    struct Call {
        std::string bytes;
        bool last;
        // Flag 2 of the file: the call ends a section that another of the job follows.
        bool moreSectionsFollow = false;
    };
    std::string name;
    std::string passPhraseUtf8;
    std::uint32_t iterations = 0;
    std::string random;
    std::vector<Call> calls;
    std::string output;
    // Written by an earlier version of the encryptor: only its decryption is checked.
    bool decryptOnly = false;
};

std::vector<MeridianVector> ReadMeridianVectors(const std::string& path);
std::string FromHex(const std::string& hex);
std::string ToHex(const std::string& bytes);

// Hands out fixed bytes in order, as a test's stand-in for the system generator.
class FixedRandomSource : public RandomSource {
  public:
    explicit FixedRandomSource(std::string bytes) : bytes(std::move(bytes)) {}
    void Fill(std::uint8_t* out, std::size_t count) override;

  private:
    std::string bytes;
    std::size_t next = 0;
};

CXString PassPhraseOf(const MeridianVector& vector);

// Runs a vector's calls through a MeridianEncryption fed by its random bytes.
std::string EncryptVector(const MeridianVector& vector);
