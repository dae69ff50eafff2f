// Decryption of encrypted sections in a filter output.
#include "MeridianDecryption.h"

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#include "CPExceptionInvalidArgument.h"
#include "CPString.h"
#include "Crypto/MeridianFormat.h"

namespace {
using namespace MeridianFormat;

[[noreturn]] void Fail(std::size_t sectionAt, const std::string& why) {
    throw CPExceptionInvalidArgument(
        "encrypted section at offset " + std::to_string(sectionAt) + ": " + why, GetLastError(),
        CV_DEBUG_CONTEXT(kLibraryCategoryMask));
}

const std::uint8_t* Bytes(std::string_view stream, std::size_t at) {
    return reinterpret_cast<const std::uint8_t*>(stream.data()) + at;
}

Header ReadHeader(std::string_view stream, std::size_t at) {
    if (stream.size() - at < kHeaderBytes) {
        Fail(at, "the header is cut short");
    }
    Header header;
    std::copy_n(Bytes(stream, at), kHeaderBytes, header.begin());
    if (header[kVersionAt] != kVersion) {
        Fail(at, "unknown format version " + std::to_string(header[kVersionAt]));
    }
    if (header[kKdfAt] != kKdfPbkdf2HmacSha256) {
        Fail(at, "unknown key derivation " + std::to_string(header[kKdfAt]));
    }
    const std::uint32_t iterations = GetBigEndian32(header.data() + kIterationsAt);
    if (iterations == 0 || iterations > MeridianDecryption::kMaximumIterations) {
        Fail(at, "implausible PBKDF2 iteration count " + std::to_string(iterations));
    }
    return header;
}

// The key of the last section, kept for the next one: the sections of one job share a salt, and
// PBKDF2 is too slow to run again for each of them.
class SectionKeys {
  public:
    explicit SectionKeys(const CXString& passPhrase) : passPhrase(passPhrase) {}

    AesGcmKey& For(const Header& header) {
        if (key &&
            std::equal(header.begin() + kSaltAt, header.begin() + kSaltAt + kSaltBytes,
                       salt.begin()) &&
            GetBigEndian32(header.data() + kIterationsAt) == iterations) {
            return *key;
        }
        key.reset();
        const CPString secret(passPhrase);
        std::vector<std::uint8_t> bytes(secret.utf8RawBytes(),
                                        secret.utf8RawBytes() + secret.str().size());
        std::uint8_t derived[CryptoPrimitives::kKeyBytes];
        iterations = GetBigEndian32(header.data() + kIterationsAt);
        CryptoPrimitives::DeriveKeyPbkdf2Sha256(bytes.data(), bytes.size(), header.data() + kSaltAt,
                                                kSaltBytes, iterations, derived);
        CryptoPrimitives::Wipe(bytes.data(), bytes.size());
        std::copy_n(header.begin() + kSaltAt, kSaltBytes, salt.begin());
        key = std::make_unique<AesGcmKey>(derived);
        CryptoPrimitives::Wipe(derived, sizeof derived);
        return *key;
    }

  private:
    const CXString& passPhrase;
    std::array<std::uint8_t, kSaltBytes> salt{};
    std::uint32_t iterations = 0;
    std::unique_ptr<AesGcmKey> key;
};

// Decrypts the section that starts at `sectionAt`; returns the offset behind its final record.
std::size_t DecryptSection(std::string_view stream, std::size_t sectionAt, SectionKeys& keys,
                           std::string& plainText) {
    const Header header = ReadHeader(stream, sectionAt);
    AesGcmKey& key = keys.For(header);
    std::string section;
    std::size_t at = sectionAt + kHeaderBytes;
    for (std::uint64_t index = 0;; ++index) {
        if (stream.size() - at < kRecordHeaderBytes) {
            Fail(sectionAt, "the final record is missing (the section was cut short)");
        }
        const std::uint8_t* record = Bytes(stream, at);
        const std::uint8_t flags = record[0];
        const std::uint32_t length = GetBigEndian32(record + 1);
        if ((flags != kMoreRecords && flags != kFinalRecord) || index > 0xFFFFFFFFu) {
            Fail(sectionAt, "record " + std::to_string(index) + " at offset " + std::to_string(at) +
                                " is not a record of this format");
        }
        if (stream.size() - at - kRecordHeaderBytes <
            std::uint64_t{length} + CryptoPrimitives::kTagBytes) {
            Fail(sectionAt, "the final record is missing (the section was cut short)");
        }
        std::uint8_t nonce[CryptoPrimitives::kNonceBytes];
        MakeNonce(header, static_cast<std::uint32_t>(index), flags, nonce);
        std::uint8_t associated[kAssociatedBytes];
        MakeAssociatedData(header, record, associated);
        std::uint8_t tag[CryptoPrimitives::kTagBytes];
        std::copy_n(record + kRecordHeaderBytes + length, sizeof tag, tag);
        const std::size_t start = section.size();
        section.resize(start + length);
        if (!key.Open(nonce, associated, kAssociatedBytes, record + kRecordHeaderBytes, length, tag,
                      reinterpret_cast<std::uint8_t*>(section.data() + start))) {
            Fail(sectionAt, "record " + std::to_string(index) + " at offset " + std::to_string(at) +
                                " fails authentication (wrong pass phrase, or the section was "
                                "modified, reordered or spliced)");
        }
        at += kRecordHeaderBytes + length + CryptoPrimitives::kTagBytes;
        if (flags == kFinalRecord) {
            plainText += section;
            return at;
        }
    }
}
}  // namespace

std::string MeridianDecryption::DecryptStream(std::string_view stream, const CXString& passPhrase) {
    const std::string_view magic(reinterpret_cast<const char*>(kMagic.data()), kMagic.size());
    std::string plainText;
    plainText.reserve(stream.size());
    SectionKeys keys(passPhrase);
    std::size_t at = 0;
    while (at < stream.size()) {
        const std::size_t sectionAt = stream.find(magic, at);
        if (sectionAt == std::string_view::npos) {
            plainText.append(stream.substr(at));
            break;
        }
        plainText.append(stream.substr(at, sectionAt - at));
        at = DecryptSection(stream, sectionAt, keys, plainText);
    }
    return plainText;
}
