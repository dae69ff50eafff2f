// The OpenSSL 3 backend (EVP) of the cryptographic primitives.
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <climits>
#include <string>

#include "CryptoPrimitives.h"
#include "companion/Utilities/CPExceptionOSApiError.h"

namespace {
[[noreturn]] void Refused(const char* what) {
    throw CPExceptionOSApiError(std::string("OpenSSL refused ") + what, GetLastError(),
                                CV_DEBUG_CONTEXT(kLibraryCategoryMask));
}

void Require(bool succeeded, const char* what) {
    if (!succeeded) {
        Refused(what);
    }
}

int AsInt(std::size_t count, const char* what) {
    Require(count <= INT_MAX, what);
    return static_cast<int>(count);
}
}  // namespace

void CryptoPrimitives::DeriveKeyPbkdf2Sha256(const std::uint8_t* passPhrase,
                                             std::size_t passPhraseBytes, const std::uint8_t* salt,
                                             std::size_t saltBytes, std::uint32_t iterations,
                                             std::uint8_t (&key)[kKeyBytes]) {
    Require(iterations > 0 && iterations <= INT_MAX, "the PBKDF2 iteration count");
    Require(PKCS5_PBKDF2_HMAC(reinterpret_cast<const char*>(passPhrase),
                              AsInt(passPhraseBytes, "the pass phrase length"), salt,
                              AsInt(saltBytes, "the salt length"), static_cast<int>(iterations),
                              EVP_sha256(), static_cast<int>(kKeyBytes), key) == 1,
            "PBKDF2-HMAC-SHA256");
}

void CryptoPrimitives::FillRandom(std::uint8_t* bytes, std::size_t count) {
    Require(RAND_bytes(bytes, AsInt(count, "the random byte count")) == 1, "random bytes");
}

void CryptoPrimitives::Wipe(void* bytes, std::size_t count) noexcept {
    OPENSSL_cleanse(bytes, count);
}

struct AesGcmKey::Backend {
    EVP_CIPHER_CTX* sealing = nullptr;
    EVP_CIPHER_CTX* opening = nullptr;
    ~Backend() {
        EVP_CIPHER_CTX_free(sealing);
        EVP_CIPHER_CTX_free(opening);
    }
};

AesGcmKey::AesGcmKey(const std::uint8_t (&key)[CryptoPrimitives::kKeyBytes])
    : backend(std::make_unique<Backend>()) {
    backend->sealing = EVP_CIPHER_CTX_new();
    backend->opening = EVP_CIPHER_CTX_new();
    Require(backend->sealing != nullptr && backend->opening != nullptr, "a cipher context");
    Require(EVP_EncryptInit_ex(backend->sealing, EVP_aes_256_gcm(), nullptr, key, nullptr) == 1,
            "the AES-256-GCM key");
    Require(EVP_DecryptInit_ex(backend->opening, EVP_aes_256_gcm(), nullptr, key, nullptr) == 1,
            "the AES-256-GCM key");
}

AesGcmKey::~AesGcmKey() = default;

void AesGcmKey::Seal(const std::uint8_t (&nonce)[CryptoPrimitives::kNonceBytes],
                     const std::uint8_t* associated, std::size_t associatedBytes,
                     const std::uint8_t* plainText, std::size_t count, std::uint8_t* cipherText,
                     std::uint8_t (&tag)[CryptoPrimitives::kTagBytes]) {
    EVP_CIPHER_CTX* context = backend->sealing;
    int written = 0;
    Require(EVP_EncryptInit_ex(context, nullptr, nullptr, nullptr, nonce) == 1, "the GCM nonce");
    Require(EVP_EncryptUpdate(context, nullptr, &written, associated,
                              AsInt(associatedBytes, "the associated data length")) == 1,
            "the associated data");
    if (count > 0) {
        Require(EVP_EncryptUpdate(context, cipherText, &written, plainText,
                                  AsInt(count, "the record length")) == 1,
                "encryption");
    }
    Require(EVP_EncryptFinal_ex(context, cipherText + count, &written) == 1, "encryption");
    Require(EVP_CIPHER_CTX_ctrl(context, EVP_CTRL_GCM_GET_TAG,
                                static_cast<int>(CryptoPrimitives::kTagBytes), tag) == 1,
            "the GCM tag");
}

bool AesGcmKey::Open(const std::uint8_t (&nonce)[CryptoPrimitives::kNonceBytes],
                     const std::uint8_t* associated, std::size_t associatedBytes,
                     const std::uint8_t* cipherText, std::size_t count,
                     const std::uint8_t (&tag)[CryptoPrimitives::kTagBytes],
                     std::uint8_t* plainText) {
    EVP_CIPHER_CTX* context = backend->opening;
    int written = 0;
    Require(EVP_DecryptInit_ex(context, nullptr, nullptr, nullptr, nonce) == 1, "the GCM nonce");
    Require(EVP_DecryptUpdate(context, nullptr, &written, associated,
                              AsInt(associatedBytes, "the associated data length")) == 1,
            "the associated data");
    if (count > 0) {
        Require(EVP_DecryptUpdate(context, plainText, &written, cipherText,
                                  AsInt(count, "the record length")) == 1,
                "decryption");
    }
    Require(EVP_CIPHER_CTX_ctrl(context, EVP_CTRL_GCM_SET_TAG,
                                static_cast<int>(CryptoPrimitives::kTagBytes),
                                const_cast<std::uint8_t*>(tag)) == 1,
            "the GCM tag");
    if (EVP_DecryptFinal_ex(context, plainText + count, &written) != 1) {
        CryptoPrimitives::Wipe(plainText, count);
        return false;
    }
    return true;
}
