// The CNG (BCrypt) backend of the cryptographic primitives.
#include <climits>
#include <string>

#include "CryptoPrimitives.h"
#include "companion/Utilities/CPExceptionOSApiError.h"
#include "seam/Win32Seam.h"

namespace {
constexpr NTSTATUS kAuthTagMismatch = static_cast<NTSTATUS>(0xC000A002L);
constexpr NTSTATUS kInvalidParameter = static_cast<NTSTATUS>(0xC000000DL);

[[noreturn]] void Refused(const char* what, NTSTATUS status) {
    char code[16];
    _snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(status));
    throw CPExceptionOSApiError(std::string("BCrypt refused ") + what + " (status " + code + ")",
                                GetLastError(), CV_DEBUG_CONTEXT(kLibraryCategoryMask));
}

void Require(NTSTATUS status, const char* what) {
    if (status < 0) {
        Refused(what, status);
    }
}

ULONG AsUlong(std::size_t count, const char* what) {
    if (count > ULONG_MAX) {
        Refused(what, kInvalidParameter);
    }
    return static_cast<ULONG>(count);
}

// BCrypt wants writable pointers even for input. An empty record still needs non-null input and
// output: a null output buffer turns the call into a size query that computes or checks no tag.
PUCHAR Bytes(const std::uint8_t* bytes) {
    static UCHAR empty = 0;
    return bytes != nullptr ? const_cast<PUCHAR>(bytes) : &empty;
}

PUCHAR Output(std::uint8_t* bytes, std::size_t count) {
    thread_local UCHAR nothing = 0;
    return count > 0 ? bytes : &nothing;
}

BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO AuthInfo(const std::uint8_t* nonce,
                                               const std::uint8_t* associated,
                                               std::size_t associatedBytes, std::uint8_t* tag) {
    BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info;
    BCRYPT_INIT_AUTH_MODE_INFO(info);
    info.pbNonce = Bytes(nonce);
    info.cbNonce = static_cast<ULONG>(CryptoPrimitives::kNonceBytes);
    info.pbAuthData = Bytes(associated);
    info.cbAuthData = AsUlong(associatedBytes, "the associated data length");
    info.pbTag = tag;
    info.cbTag = static_cast<ULONG>(CryptoPrimitives::kTagBytes);
    return info;
}
}  // namespace

void CryptoPrimitives::DeriveKeyPbkdf2Sha256(const std::uint8_t* passPhrase,
                                             std::size_t passPhraseBytes, const std::uint8_t* salt,
                                             std::size_t saltBytes, std::uint32_t iterations,
                                             std::uint8_t (&key)[kKeyBytes]) {
    BCRYPT_ALG_HANDLE hmac = nullptr;
    Require(BCryptOpenAlgorithmProvider(&hmac, BCRYPT_SHA256_ALGORITHM, nullptr,
                                        BCRYPT_ALG_HANDLE_HMAC_FLAG),
            "HMAC-SHA256");
    const NTSTATUS status = BCryptDeriveKeyPBKDF2(
        hmac, Bytes(passPhrase), AsUlong(passPhraseBytes, "the pass phrase length"), Bytes(salt),
        AsUlong(saltBytes, "the salt length"), iterations, key, static_cast<ULONG>(kKeyBytes), 0);
    BCryptCloseAlgorithmProvider(hmac, 0);
    Require(status, "PBKDF2-HMAC-SHA256");
}

void CryptoPrimitives::FillRandom(std::uint8_t* bytes, std::size_t count) {
    Require(BCryptGenRandom(nullptr, bytes, AsUlong(count, "the random byte count"),
                            BCRYPT_USE_SYSTEM_PREFERRED_RNG),
            "random bytes");
}

void CryptoPrimitives::Wipe(void* bytes, std::size_t count) noexcept {
    SecureZeroMemory(bytes, count);
}

struct AesGcmKey::Backend {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_KEY_HANDLE key = nullptr;
    ~Backend() {
        if (key != nullptr) {
            BCryptDestroyKey(key);
        }
        if (algorithm != nullptr) {
            BCryptCloseAlgorithmProvider(algorithm, 0);
        }
    }
};

AesGcmKey::AesGcmKey(const std::uint8_t (&key)[CryptoPrimitives::kKeyBytes])
    : backend(std::make_unique<Backend>()) {
    Require(BCryptOpenAlgorithmProvider(&backend->algorithm, BCRYPT_AES_ALGORITHM, nullptr, 0),
            "AES");
    Require(BCryptSetProperty(backend->algorithm, BCRYPT_CHAINING_MODE,
                              reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(BCRYPT_CHAIN_MODE_GCM)),
                              sizeof(BCRYPT_CHAIN_MODE_GCM), 0),
            "the GCM chaining mode");
    Require(BCryptGenerateSymmetricKey(backend->algorithm, &backend->key, nullptr, 0, Bytes(key),
                                       static_cast<ULONG>(CryptoPrimitives::kKeyBytes), 0),
            "the AES-256-GCM key");
}

AesGcmKey::~AesGcmKey() = default;

void AesGcmKey::Seal(const std::uint8_t (&nonce)[CryptoPrimitives::kNonceBytes],
                     const std::uint8_t* associated, std::size_t associatedBytes,
                     const std::uint8_t* plainText, std::size_t count, std::uint8_t* cipherText,
                     std::uint8_t (&tag)[CryptoPrimitives::kTagBytes]) {
    BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info = AuthInfo(nonce, associated, associatedBytes, tag);
    ULONG written = 0;
    const ULONG length = AsUlong(count, "the record length");
    Require(BCryptEncrypt(backend->key, Bytes(plainText), length, &info, nullptr, 0,
                          Output(cipherText, count), length, &written, 0),
            "encryption");
}

bool AesGcmKey::Open(const std::uint8_t (&nonce)[CryptoPrimitives::kNonceBytes],
                     const std::uint8_t* associated, std::size_t associatedBytes,
                     const std::uint8_t* cipherText, std::size_t count,
                     const std::uint8_t (&tag)[CryptoPrimitives::kTagBytes],
                     std::uint8_t* plainText) {
    std::uint8_t expectedTag[CryptoPrimitives::kTagBytes];
    std::copy(std::begin(tag), std::end(tag), std::begin(expectedTag));
    BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info =
        AuthInfo(nonce, associated, associatedBytes, expectedTag);
    ULONG written = 0;
    const ULONG length = AsUlong(count, "the record length");
    const NTSTATUS status = BCryptDecrypt(backend->key, Bytes(cipherText), length, &info, nullptr,
                                          0, Output(plainText, count), length, &written, 0);
    if (status == kAuthTagMismatch) {
        CryptoPrimitives::Wipe(plainText, count);
        return false;
    }
    Require(status, "decryption");
    return true;
}
