// The backend primitives against published known answers (RFC 7914 for PBKDF2-HMAC-SHA256, the
// test cases of the GCM paper for AES-256), so both backends are held to the same bytes.
#include <gtest/gtest.h>

#include <string>

#include "companion/Utilities/Crypto/CryptoPrimitives.h"
#include "tests/crypto/MeridianVectors.h"

namespace {
std::string Key(const std::uint8_t (&key)[CryptoPrimitives::kKeyBytes]) {
    return std::string(reinterpret_cast<const char*>(key), sizeof key);
}

TEST(CryptoPrimitives, Pbkdf2HmacSha256GivesThePublishedKeys) {
    struct Case {
        std::string passPhrase;
        std::string salt;
        std::uint32_t iterations;
        std::string expectedHex;
    };
    const Case cases[] = {
        {"passwd", "salt", 1, "55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc"},
        {"Password", "NaCl", 80000,
         "4ddcd8f60b98be21830cee5ef22701f9641a4418d04c0414aeff08876b34ab56"},
    };
    for (const Case& c : cases) {
        std::uint8_t key[CryptoPrimitives::kKeyBytes];
        CryptoPrimitives::DeriveKeyPbkdf2Sha256(
            reinterpret_cast<const std::uint8_t*>(c.passPhrase.data()), c.passPhrase.size(),
            reinterpret_cast<const std::uint8_t*>(c.salt.data()), c.salt.size(), c.iterations, key);
        EXPECT_EQ(c.expectedHex, ToHex(Key(key))) << c.passPhrase;
    }
}

TEST(CryptoPrimitives, AesGcmSealsThePublishedTestCases) {
    struct Case {
        const char* label;
        std::string plainText;
        std::string cipherHex;
        std::string tagHex;
    };
    const Case cases[] = {
        {"empty plain text", "", "", "530f8afbc74536b9a963b4f1c4cb738b"},
        {"one zero block", std::string(16, '\0'), "cea7403d4d606b6e074ec5d3baf39d18",
         "d0d1c8a799996bf0265b98b5d48ab919"},
    };
    const std::uint8_t zeroKey[CryptoPrimitives::kKeyBytes] = {};
    const std::uint8_t zeroNonce[CryptoPrimitives::kNonceBytes] = {};
    AesGcmKey key(zeroKey);
    for (const Case& c : cases) {
        std::string cipher(c.plainText.size(), '\0');
        std::uint8_t tag[CryptoPrimitives::kTagBytes];
        key.Seal(zeroNonce, nullptr, 0, reinterpret_cast<const std::uint8_t*>(c.plainText.data()),
                 c.plainText.size(), reinterpret_cast<std::uint8_t*>(cipher.data()), tag);
        EXPECT_EQ(c.cipherHex, ToHex(cipher)) << c.label;
        EXPECT_EQ(c.tagHex, ToHex(std::string(reinterpret_cast<char*>(tag), sizeof tag)))
            << c.label;
    }
}

TEST(CryptoPrimitives, OpeningRejectsAWrongTagAndWipesWhatItDecrypted) {
    const std::uint8_t keyBytes[CryptoPrimitives::kKeyBytes] = {1, 2, 3};
    const std::uint8_t nonce[CryptoPrimitives::kNonceBytes] = {9};
    const std::string associated = "header";
    const std::string plain = "@PJL ENTER LANGUAGE=POSTSCRIPT\r\n";
    AesGcmKey key(keyBytes);
    std::string cipher(plain.size(), '\0');
    std::uint8_t tag[CryptoPrimitives::kTagBytes];
    const auto* aad = reinterpret_cast<const std::uint8_t*>(associated.data());
    key.Seal(nonce, aad, associated.size(), reinterpret_cast<const std::uint8_t*>(plain.data()),
             plain.size(), reinterpret_cast<std::uint8_t*>(cipher.data()), tag);
    std::string opened(plain.size(), 'x');
    EXPECT_TRUE(key.Open(nonce, aad, associated.size(),
                         reinterpret_cast<const std::uint8_t*>(cipher.data()), cipher.size(), tag,
                         reinterpret_cast<std::uint8_t*>(opened.data())));
    EXPECT_EQ(plain, opened);
    tag[0] ^= 1;
    EXPECT_FALSE(key.Open(nonce, aad, associated.size(),
                          reinterpret_cast<const std::uint8_t*>(cipher.data()), cipher.size(), tag,
                          reinterpret_cast<std::uint8_t*>(opened.data())));
    EXPECT_EQ(std::string(plain.size(), '\0'), opened);
}

TEST(CryptoPrimitives, RandomBytesDiffer) {
    std::uint8_t a[16] = {};
    std::uint8_t b[16] = {};
    CryptoPrimitives::FillRandom(a, sizeof a);
    CryptoPrimitives::FillRandom(b, sizeof b);
    EXPECT_NE(ToHex(std::string(reinterpret_cast<char*>(a), 16)),
              ToHex(std::string(reinterpret_cast<char*>(b), 16)));
}
}  // namespace
