// The cryptographic primitives of the utility library, one interface over two backends: OpenSSL 3
// on Linux, CNG (BCrypt) on Windows. Every refusal of the backend is a CPExceptionOSApiError; no
// key material or pass phrase ever goes into its message.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

class CryptoPrimitives {
  public:
    static constexpr std::size_t kKeyBytes = 32;
    static constexpr std::size_t kNonceBytes = 12;
    static constexpr std::size_t kTagBytes = 16;

    // PBKDF2 with HMAC-SHA256, giving an AES-256 key.
    static void DeriveKeyPbkdf2Sha256(const std::uint8_t* passPhrase, std::size_t passPhraseBytes,
                                      const std::uint8_t* salt, std::size_t saltBytes,
                                      std::uint32_t iterations, std::uint8_t (&key)[kKeyBytes]);
    // Bytes from the system's cryptographically secure generator.
    static void FillRandom(std::uint8_t* bytes, std::size_t count);
    // Overwrites secrets in a way the compiler does not remove.
    static void Wipe(void* bytes, std::size_t count) noexcept;
};

// One AES-256-GCM key, set up once for all records of a section.
class AesGcmKey {
  public:
    explicit AesGcmKey(const std::uint8_t (&key)[CryptoPrimitives::kKeyBytes]);
    ~AesGcmKey();
    AesGcmKey(const AesGcmKey&) = delete;
    AesGcmKey& operator=(const AesGcmKey&) = delete;

    // Encrypts `count` bytes into `cipherText` (same size) and writes the tag.
    void Seal(const std::uint8_t (&nonce)[CryptoPrimitives::kNonceBytes],
              const std::uint8_t* associated, std::size_t associatedBytes,
              const std::uint8_t* plainText, std::size_t count, std::uint8_t* cipherText,
              std::uint8_t (&tag)[CryptoPrimitives::kTagBytes]);
    // Decrypts and checks the tag; false (and `plainText` wiped) when authentication fails.
    bool Open(const std::uint8_t (&nonce)[CryptoPrimitives::kNonceBytes],
              const std::uint8_t* associated, std::size_t associatedBytes,
              const std::uint8_t* cipherText, std::size_t count,
              const std::uint8_t (&tag)[CryptoPrimitives::kTagBytes], std::uint8_t* plainText);

  private:
    struct Backend;
    std::unique_ptr<Backend> backend;
};
