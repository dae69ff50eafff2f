// Printer-side encryption of the print stream. One encrypted section is what one object produces
// from its first EncryptByteBuffer call through the call with `last`; each call gives one record
// at once, so a printer can decrypt a block as soon as it arrives. One object serves one job: its
// key is derived once, with one salt (the job's nonce), and every later section of the job gets
// the next number and a fresh nonce prefix; a section ends as the job's last unless the caller
// said that more follow. The format is in docs/encryption.md.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "ByteBuffer.h"
#include "CXString.h"
#include "Crypto/CryptoPrimitives.h"
#include "Crypto/MeridianFormat.h"

// Where a section's salt and nonce prefix come from: the system's secure generator, unless a test
// supplies fixed bytes to check known answers.
class RandomSource {
  public:
    virtual ~RandomSource() = default;
    virtual void Fill(std::uint8_t* bytes, std::size_t count) = 0;
};

class SystemRandomSource : public RandomSource {
  public:
    void Fill(std::uint8_t* bytes, std::size_t count) override;
};

class MeridianEncryption {
  public:
    static constexpr int kFormatVersionMode = 1;
    static constexpr std::uint32_t kPbkdf2Iterations = 600000;

    // `mode` 1 selects the format (its version 2). `extensionPackageFolder` is where a printer
    // policy file would be found; this version has no policy and does not read it.
    MeridianEncryption(int mode, const CXString& extensionPackageFolder);
    // For tests: salt and nonce prefix from `random`, and a chosen iteration count.
    MeridianEncryption(int mode, const CXString& extensionPackageFolder,
                       std::unique_ptr<RandomSource> random, std::uint32_t iterations);
    virtual ~MeridianEncryption();
    MeridianEncryption(const MeridianEncryption&) = delete;
    MeridianEncryption& operator=(const MeridianEncryption&) = delete;

    // Appends to `out` the record of `count` bytes (with the section header first when this call
    // opens the section); `last` makes it the section's final record, even for zero bytes. True
    // when `out` received bytes; false only for a zero-byte call without `last`. A refusal of the
    // cryptographic library throws, so a block is never dropped silently.
    virtual bool EncryptByteBuffer(const BYTE* bytes, DWORD count, ByteBuffer& out,
                                   const CXString& passPhrase, bool last);

    // The section that the next call with `last` ends is not the job's last: another follows.
    void MoreSectionsFollow() noexcept;

  private:
    void DeriveKey(const CXString& passPhrase);
    void OpenSection(const CXString& passPhrase, ByteBuffer& out);
    void AppendRecord(const BYTE* bytes, DWORD count, bool last, ByteBuffer& out);
    void CloseSection() noexcept;
    void ForgetKey() noexcept;
    bool IsKeyedFor(const CXString& passPhrase) const;

    std::unique_ptr<RandomSource> random;
    std::uint32_t iterations;
    bool sectionOpen = false;
    MeridianFormat::Header header{};
    // The job's key and the pass phrase it was derived from; both live until the object goes.
    std::unique_ptr<AesGcmKey> key;
    std::vector<WCHAR> keyPassPhrase;
    std::uint64_t nextRecord = 0;
    std::uint64_t nextSection = 0;
    bool moreSectionsFollow = false;
};
