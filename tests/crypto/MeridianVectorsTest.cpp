// The same known-answer file on every build: Linux (OpenSSL) and Windows (CNG) must give the same
// bytes for the same salt and nonce prefix, and the decryptor must give back the calls' bytes, also
// of outputs that earlier versions wrote.
#include <gtest/gtest.h>

#include <algorithm>

#include "companion/Utilities/MeridianDecryption.h"
#include "tests/crypto/MeridianVectors.h"

#ifndef CV_TEST_DATA_DIR
#error "the build names the test data folder"
#endif

namespace {
std::vector<MeridianVector> Vectors() {
    return ReadMeridianVectors(std::string(CV_TEST_DATA_DIR) + "/meridian-encryption-vectors.txt");
}

TEST(MeridianVectors, EncryptionGivesTheKnownAnswers) {
    const auto vectors = Vectors();
    ASSERT_EQ(9u, vectors.size());
    for (const MeridianVector& vector : vectors) {
        if (!vector.decryptOnly) {
            EXPECT_EQ(ToHex(vector.output), ToHex(EncryptVector(vector))) << vector.name;
        }
    }
}

TEST(MeridianVectors, DecryptionGivesBackWhatWasEncrypted) {
    for (const MeridianVector& vector : Vectors()) {
        std::string plain;
        for (const auto& call : vector.calls) {
            plain += call.bytes;
        }
        EXPECT_EQ(plain, MeridianDecryption::DecryptStream(vector.output, PassPhraseOf(vector)))
            << vector.name;
    }
}

// Outputs of format version 1 still decrypt, but the decryptor says how many of their sections
// could not be checked for their job and place.
TEST(MeridianVectors, SectionsOfTheFirstVersionAreCounted) {
    for (const MeridianVector& vector : Vectors()) {
        std::size_t at = 0;
        const std::size_t firstVersion = MeridianDecryption::Decrypt(
            [&](std::uint8_t* into, std::size_t room) {
                const std::size_t count = std::min(room, vector.output.size() - at);
                std::copy_n(vector.output.data() + at, count, into);
                at += count;
                return count;
            },
            [](const std::uint8_t*, std::size_t) {}, PassPhraseOf(vector));
        EXPECT_EQ(vector.decryptOnly, firstVersion != 0) << vector.name << ": " << firstVersion;
    }
}
}  // namespace
