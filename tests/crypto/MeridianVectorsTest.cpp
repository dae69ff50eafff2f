// The same known-answer file on every build: Linux (OpenSSL) and Windows (CNG) must give the same
// bytes for the same salt and nonce prefix, and the decryptor must give back the calls' bytes, also
// of outputs that earlier versions wrote.
#include <gtest/gtest.h>

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
    ASSERT_EQ(5u, vectors.size());
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
}  // namespace
