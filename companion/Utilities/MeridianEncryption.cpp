// Encrypted sections: one key derivation per job, one authenticated record per call.
#include "MeridianEncryption.h"

#include <algorithm>
#include <cstring>

#include "CPExceptionInvalidArgument.h"

void SystemRandomSource::Fill(std::uint8_t* bytes, std::size_t count) {
    CryptoPrimitives::FillRandom(bytes, count);
}

namespace {
[[noreturn]] void Refuse(const char* why) {
    throw CPExceptionInvalidArgument(std::string("MeridianEncryption: ") + why, GetLastError(),
                                     CV_DEBUG_CONTEXT(kLibraryCategoryMask));
}

// The pass phrase as UTF-8, in a buffer that is wiped when it goes.
struct SecretBytes {
    std::vector<std::uint8_t> bytes;
    explicit SecretBytes(const CXString& text) {
        if (text.IsEmpty()) {
            return;
        }
        const int needed = WideCharToMultiByte(CP_UTF8, 0, text.GetString(), text.GetLength(),
                                               nullptr, 0, nullptr, nullptr);
        bytes.resize(static_cast<std::size_t>(needed));
        WideCharToMultiByte(CP_UTF8, 0, text.GetString(), text.GetLength(),
                            reinterpret_cast<char*>(bytes.data()), needed, nullptr, nullptr);
    }
    ~SecretBytes() { CryptoPrimitives::Wipe(bytes.data(), bytes.size()); }
};
}  // namespace

MeridianEncryption::MeridianEncryption(int mode, const CXString& extensionPackageFolder)
    : MeridianEncryption(mode, extensionPackageFolder, std::make_unique<SystemRandomSource>(),
                         kPbkdf2Iterations) {}

MeridianEncryption::MeridianEncryption(int mode, const CXString&,
                                       std::unique_ptr<RandomSource> random,
                                       std::uint32_t iterations)
    : random(std::move(random)), iterations(iterations) {
    if (mode != kFormatVersionMode) {
        Refuse("unknown mode (only mode 1 exists)");
    }
    if (iterations == 0 || !this->random) {
        Refuse("a key derivation needs iterations and a random source");
    }
}

MeridianEncryption::~MeridianEncryption() {
    CloseSection();
    ForgetKey();
}

bool MeridianEncryption::EncryptByteBuffer(const BYTE* bytes, DWORD count, ByteBuffer& out,
                                           const CXString& passPhrase, bool last) {
    if (count == 0 && !last) {
        return false;
    }
    if (count > 0 && bytes == nullptr) {
        Refuse("no bytes to encrypt");
    }
    if (!sectionOpen) {
        OpenSection(passPhrase, out);
    } else if (!IsKeyedFor(passPhrase)) {
        Refuse("the pass phrase changed inside an encrypted section");
    }
    AppendRecord(bytes, count, last, out);
    if (last) {
        CloseSection();
    }
    return true;
}

void MeridianEncryption::MoreSectionsFollow() noexcept {
    moreSectionsFollow = true;
}

// The job's key from a fresh salt. PBKDF2 is slow on purpose (600,000 rounds), so it runs once a
// job and not once a section: a stream with many language switches would otherwise cost seconds
// of CPU for each.
void MeridianEncryption::DeriveKey(const CXString& passPhrase) {
    using namespace MeridianFormat;
    ForgetKey();
    random->Fill(header.data() + kSaltAt, kSaltBytes);
    std::uint8_t derived[CryptoPrimitives::kKeyBytes];
    {
        const SecretBytes secret(passPhrase);
        CryptoPrimitives::DeriveKeyPbkdf2Sha256(secret.bytes.data(), secret.bytes.size(),
                                                header.data() + kSaltAt, kSaltBytes, iterations,
                                                derived);
    }
    try {
        key = std::make_unique<AesGcmKey>(derived);
    } catch (...) {
        CryptoPrimitives::Wipe(derived, sizeof derived);
        throw;
    }
    CryptoPrimitives::Wipe(derived, sizeof derived);
    keyPassPhrase.assign(passPhrase.str().begin(), passPhrase.str().end());
}

// Writes the section header: the job's salt and key, the section's own nonce prefix.
void MeridianEncryption::OpenSection(const CXString& passPhrase, ByteBuffer& out) {
    if (passPhrase.IsEmpty()) {
        Refuse("an empty pass phrase cannot key a section");
    }
    using namespace MeridianFormat;
    std::copy(kMagic.begin(), kMagic.end(), header.begin());
    header[kVersionAt] = kVersion;
    header[kKdfAt] = kKdfPbkdf2HmacSha256;
    PutBigEndian32(header.data() + kIterationsAt, iterations);
    if (!key || !IsKeyedFor(passPhrase)) {
        DeriveKey(passPhrase);
    }
    random->Fill(header.data() + kNoncePrefixAt, kNoncePrefixBytes);
    if (nextSection > 0xFFFFFFFFu) {
        Refuse("a job holds at most 2^32 sections");
    }
    PutBigEndian32(header.data() + kSectionNumberAt, static_cast<std::uint32_t>(nextSection++));
    nextRecord = 0;
    sectionOpen = true;
    std::memcpy(out.appendSpace(kHeaderBytes), header.data(), kHeaderBytes);
}

// Writes flags, length, cipher text and tag of one record straight into `out`.
void MeridianEncryption::AppendRecord(const BYTE* bytes, DWORD count, bool last, ByteBuffer& out) {
    using namespace MeridianFormat;
    if (nextRecord > 0xFFFFFFFFu) {
        Refuse("a section holds at most 2^32 records");
    }
    const std::uint8_t flags = !last                ? kMoreRecords
                               : moreSectionsFollow ? kFinalRecord
                                                    : kFinalRecordOfJob;
    BYTE* record = out.appendSpace(kRecordHeaderBytes + count + CryptoPrimitives::kTagBytes);
    record[0] = flags;
    PutBigEndian32(record + 1, count);

    std::uint8_t nonce[CryptoPrimitives::kNonceBytes];
    MakeNonce(header, static_cast<std::uint32_t>(nextRecord), flags, nonce);
    std::uint8_t associated[kAssociatedBytes];
    const std::size_t associatedBytes = MakeAssociatedData(header, record, associated);
    std::uint8_t tag[CryptoPrimitives::kTagBytes];
    key->Seal(nonce, associated, associatedBytes, bytes, count, record + kRecordHeaderBytes, tag);
    std::memcpy(record + kRecordHeaderBytes + count, tag, sizeof tag);
    ++nextRecord;
}

bool MeridianEncryption::IsKeyedFor(const CXString& passPhrase) const {
    const auto& text = passPhrase.str();
    return std::equal(text.begin(), text.end(), keyPassPhrase.begin(), keyPassPhrase.end());
}

void MeridianEncryption::CloseSection() noexcept {
    sectionOpen = false;
    moreSectionsFollow = false;
}

void MeridianEncryption::ForgetKey() noexcept {
    key.reset();
    CryptoPrimitives::Wipe(keyPassPhrase.data(), keyPassPhrase.size() * sizeof(WCHAR));
    keyPassPhrase.clear();
}
