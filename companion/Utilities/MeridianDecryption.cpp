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

[[noreturn]] void Fail(std::uint64_t sectionAt, const std::string& why) {
    throw CPExceptionInvalidArgument(
        "encrypted section at offset " + std::to_string(sectionAt) + ": " + why, GetLastError(),
        CV_DEBUG_CONTEXT(kLibraryCategoryMask));
}

// The output as it is read: bytes held from the front, read in blocks as more are needed, with
// the stream offset of the front for the messages.
class Input {
  public:
    explicit Input(const MeridianDecryption::Source& source) : source(source) {}

    // True when `count` bytes are held, reading as needed; false when the output ends first.
    bool Hold(std::size_t count) {
        while (Held() < count && !ended) {
            bytes.erase(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(begin));
            begin = 0;
            const std::size_t before = bytes.size();
            const std::size_t room = std::max(kBlock, count - before);
            bytes.resize(before + room);
            const std::size_t got = std::min(room, source(bytes.data() + before, room));
            bytes.resize(before + got);
            ended = got == 0;
        }
        return Held() >= count;
    }
    const std::uint8_t* Front() const noexcept { return bytes.data() + begin; }
    std::size_t Held() const noexcept { return bytes.size() - begin; }
    std::uint64_t Offset() const noexcept { return offset; }
    void Consume(std::size_t count) noexcept {
        begin += count;
        offset += count;
    }

  private:
    static constexpr std::size_t kBlock = 256 * 1024;
    const MeridianDecryption::Source& source;
    std::vector<std::uint8_t> bytes;
    std::size_t begin = 0;
    std::uint64_t offset = 0;
    bool ended = false;
};

Header ReadHeader(Input& input) {
    const std::uint64_t at = input.Offset();
    if (!input.Hold(kHeaderBytes)) {
        Fail(at, "the header is cut short");
    }
    Header header;
    std::copy_n(input.Front(), kHeaderBytes, header.begin());
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
    input.Consume(kHeaderBytes);
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

// Decrypts the section at the input's front, record by record, through its final record.
void DecryptSection(Input& input, SectionKeys& keys, const MeridianDecryption::Sink& sink) {
    const std::uint64_t sectionAt = input.Offset();
    const Header header = ReadHeader(input);
    AesGcmKey& key = keys.For(header);
    std::vector<std::uint8_t> plain;
    for (std::uint64_t index = 0;; ++index) {
        const std::uint64_t at = input.Offset();
        const std::string where =
            "record " + std::to_string(index) + " at offset " + std::to_string(at);
        if (!input.Hold(kRecordHeaderBytes)) {
            Fail(sectionAt, "the final record is missing (the section was cut short)");
        }
        const std::uint8_t flags = input.Front()[0];
        const std::uint32_t length = GetBigEndian32(input.Front() + 1);
        if ((flags != kMoreRecords && flags != kFinalRecord) || index > 0xFFFFFFFFu) {
            Fail(sectionAt, where + " is not a record of this format");
        }
        if (length > MeridianDecryption::kMaximumRecordBytes) {
            Fail(sectionAt, where + " is longer than any record the filter writes");
        }
        if (!input.Hold(kRecordHeaderBytes + length + CryptoPrimitives::kTagBytes)) {
            Fail(sectionAt, "the final record is missing (the section was cut short)");
        }
        const std::uint8_t* record = input.Front();
        std::uint8_t nonce[CryptoPrimitives::kNonceBytes];
        MakeNonce(header, static_cast<std::uint32_t>(index), flags, nonce);
        std::uint8_t associated[kAssociatedBytes];
        MakeAssociatedData(header, record, associated);
        std::uint8_t tag[CryptoPrimitives::kTagBytes];
        std::copy_n(record + kRecordHeaderBytes + length, sizeof tag, tag);
        plain.resize(length);
        if (!key.Open(nonce, associated, kAssociatedBytes, record + kRecordHeaderBytes, length, tag,
                      plain.data())) {
            Fail(sectionAt, where +
                                " fails authentication (wrong pass phrase, or the section was "
                                "modified, reordered or spliced)");
        }
        sink(plain.data(), length);
        input.Consume(kRecordHeaderBytes + length + CryptoPrimitives::kTagBytes);
        if (flags == kFinalRecord) {
            return;
        }
    }
}
}  // namespace

// Plain bytes go out as they come, but for the last few, which may be the start of a header.
void MeridianDecryption::Decrypt(const Source& source, const Sink& sink,
                                 const CXString& passPhrase) {
    const std::string_view magic(reinterpret_cast<const char*>(kMagic.data()), kMagic.size());
    Input input(source);
    SectionKeys keys(passPhrase);
    for (;;) {
        const bool more = input.Hold(input.Held() + 1);
        const std::string_view held(reinterpret_cast<const char*>(input.Front()), input.Held());
        const std::size_t sectionAt = held.find(magic);
        if (sectionAt != std::string_view::npos) {
            sink(input.Front(), sectionAt);
            input.Consume(sectionAt);
            DecryptSection(input, keys, sink);
            continue;
        }
        if (!more) {
            sink(input.Front(), input.Held());
            return;
        }
        const std::size_t plain =
            held.size() > magic.size() - 1 ? held.size() - magic.size() + 1 : 0;
        sink(input.Front(), plain);
        input.Consume(plain);
    }
}

std::string MeridianDecryption::DecryptStream(std::string_view stream, const CXString& passPhrase) {
    std::string plainText;
    plainText.reserve(stream.size());
    std::size_t at = 0;
    Decrypt(
        [&](std::uint8_t* into, std::size_t room) {
            const std::size_t count = std::min(room, stream.size() - at);
            std::copy_n(stream.data() + at, count, reinterpret_cast<char*>(into));
            at += count;
            return count;
        },
        [&](const std::uint8_t* bytes, std::size_t count) {
            plainText.append(reinterpret_cast<const char*>(bytes), count);
        },
        passPhrase);
    return plainText;
}
