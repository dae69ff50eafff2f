// Decryption of encrypted sections in a filter output.
#include "MeridianDecryption.h"

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <string_view>
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

// How many bits the `count` bytes differ in from the start of the section mark.
int BitsOffMark(const std::uint8_t* bytes, std::size_t count) {
    int bits = 0;
    for (std::size_t i = 0; i < count; ++i) {
        for (std::uint8_t differ = bytes[i] ^ kMagic[i]; differ != 0; differ &= differ - 1) {
            ++bits;
        }
    }
    return bits;
}

// A section mark with one bit flipped would let its section pass for plain bytes and go out as
// they are: the first mark one bit off that starts at an offset below `candidates`. With one bit
// off, one half of the mark is intact, so only the places of a half are looked at.
std::optional<std::size_t> DamagedMark(std::string_view held, std::size_t candidates) {
    const std::string_view mark(reinterpret_cast<const char*>(kMagic.data()), kMagic.size());
    const std::size_t half = mark.size() / 2;
    std::optional<std::size_t> first;
    for (std::size_t part = 0; part < 2; ++part) {
        const std::string_view piece = mark.substr(part * half, half);
        for (std::size_t at = held.find(piece, part * half); at != std::string_view::npos;
             at = held.find(piece, at + 1)) {
            const std::size_t start = at - part * half;
            if (start >= candidates || (first && start >= *first)) {
                break;
            }
            if (start + mark.size() <= held.size() &&
                BitsOffMark(reinterpret_cast<const std::uint8_t*>(held.data()) + start,
                            mark.size()) == 1) {
                first = start;
            }
        }
    }
    return first;
}

// The length of the end of `tail` that is the start of a section mark: the output was cut there.
std::size_t CutMark(const std::uint8_t* tail, std::size_t count) {
    for (std::size_t length = std::min(count, kMagic.size() - 1); length > 0; --length) {
        if (BitsOffMark(tail + count - length, length) == 0) {
            return length;
        }
    }
    return 0;
}

Header ReadHeader(Input& input) {
    const std::uint64_t at = input.Offset();
    if (!input.Hold(kVersionAt + 1)) {
        Fail(at, "the header is cut short");
    }
    const std::uint8_t version = input.Front()[kVersionAt];
    if (version != kVersion && version != kFirstVersion) {
        Fail(at, "unknown format version " + std::to_string(version));
    }
    const std::size_t headerBytes = HeaderBytesOf(version);
    if (!input.Hold(headerBytes)) {
        Fail(at, "the header is cut short");
    }
    Header header{};
    std::copy_n(input.Front(), headerBytes, header.begin());
    if (header[kKdfAt] != kKdfPbkdf2HmacSha256) {
        Fail(at, "unknown key derivation " + std::to_string(header[kKdfAt]));
    }
    const std::uint32_t iterations = GetBigEndian32(header.data() + kIterationsAt);
    if (iterations == 0 || iterations > MeridianDecryption::kMaximumIterations) {
        Fail(at, "implausible PBKDF2 iteration count " + std::to_string(iterations));
    }
    input.Consume(headerBytes);
    return header;
}

// What a section's key is derived with: the salt and the PBKDF2 iteration count of its header.
// The sections of one job share them.
struct KeyParameters {
    std::array<std::uint8_t, kSaltBytes> salt{};
    std::uint32_t iterations = 0;

    static KeyParameters Of(const Header& header) {
        KeyParameters parameters;
        std::copy_n(header.begin() + kSaltAt, kSaltBytes, parameters.salt.begin());
        parameters.iterations = GetBigEndian32(header.data() + kIterationsAt);
        return parameters;
    }
    bool operator==(const KeyParameters&) const = default;
};

// The sections of one job of version 2 in their place: numbered from 0 without a gap, all with the
// job's salt, the last one marked. A section of another job, one dropped, repeated or put in
// another place, and a job whose last section never came are refused. A new job may begin behind
// a job's last section (outputs of two jobs one behind the other).
class JobSections {
  public:
    void Check(const Header& header, std::uint64_t at) {
        if (header[kVersionAt] == kFirstVersion) {
            if (open) {
                Fail(at, "a section of format version 1 stands inside a job of version 2");
            }
            ++firstVersionSections;
            return;
        }
        const std::uint32_t number = GetBigEndian32(header.data() + kSectionNumberAt);
        if (!open) {
            if (number != 0) {
                Fail(at, "the job's first section is number " + std::to_string(number) +
                             ", not 0 (sections in front of it were dropped, or it comes from "
                             "another place)");
            }
            open = true;
            parameters = KeyParameters::Of(header);
        } else if (KeyParameters::Of(header) != parameters) {
            Fail(at, "the section belongs to another job (its salt is not this job's)");
        } else if (number != next) {
            Fail(at, "section " + std::to_string(number) + " stands where section " +
                         std::to_string(next) +
                         " must (a section was dropped, repeated or put in another place)");
        }
        next = number + 1;
    }
    // The section just read ended with `finalFlags`.
    void Ended(const Header& header, std::uint8_t finalFlags) noexcept {
        if (header[kVersionAt] != kFirstVersion && finalFlags == kFinalRecordOfJob) {
            open = false;
        }
    }
    void CheckEnd(std::uint64_t at) const {
        if (open) {
            Fail(at, "the job's last section is missing (the output was cut between sections)");
        }
    }
    std::size_t FirstVersionSections() const noexcept { return firstVersionSections; }

  private:
    bool open = false;
    KeyParameters parameters;
    std::uint32_t next = 0;
    std::size_t firstVersionSections = 0;
};

// The key of the last section, kept for the next one: the sections of one job share a salt, and
// PBKDF2 is too slow to run again for each of them.
class SectionKeys {
  public:
    explicit SectionKeys(const CXString& passPhrase) : passPhrase(passPhrase) {}

    AesGcmKey& For(const Header& header) {
        const KeyParameters wanted = KeyParameters::Of(header);
        if (key && wanted == parameters) {
            return *key;
        }
        key.reset();
        const CPString secret(passPhrase);
        std::vector<std::uint8_t> bytes(secret.utf8RawBytes(),
                                        secret.utf8RawBytes() + secret.str().size());
        std::uint8_t derived[CryptoPrimitives::kKeyBytes];
        CryptoPrimitives::DeriveKeyPbkdf2Sha256(bytes.data(), bytes.size(), wanted.salt.data(),
                                                kSaltBytes, wanted.iterations, derived);
        CryptoPrimitives::Wipe(bytes.data(), bytes.size());
        parameters = wanted;
        key = std::make_unique<AesGcmKey>(derived);
        CryptoPrimitives::Wipe(derived, sizeof derived);
        return *key;
    }

  private:
    const CXString& passPhrase;
    KeyParameters parameters;
    std::unique_ptr<AesGcmKey> key;
};

bool IsFinal(const Header& header, std::uint8_t flags) {
    return flags == kFinalRecord || (flags == kFinalRecordOfJob && header[kVersionAt] == kVersion);
}

// Decrypts the section at the input's front, record by record, through its final record.
void DecryptSection(Input& input, SectionKeys& keys, JobSections& job,
                    const MeridianDecryption::Sink& sink) {
    const std::uint64_t sectionAt = input.Offset();
    const Header header = ReadHeader(input);
    job.Check(header, sectionAt);
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
        if ((flags != kMoreRecords && !IsFinal(header, flags)) || index > 0xFFFFFFFFu) {
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
        const std::size_t associatedBytes = MakeAssociatedData(header, record, associated);
        std::uint8_t tag[CryptoPrimitives::kTagBytes];
        std::copy_n(record + kRecordHeaderBytes + length, sizeof tag, tag);
        plain.resize(length);
        if (!key.Open(nonce, associated, associatedBytes, record + kRecordHeaderBytes, length, tag,
                      plain.data())) {
            Fail(sectionAt, where +
                                " fails authentication (wrong pass phrase, or the section was "
                                "modified, reordered or spliced)");
        }
        sink(plain.data(), length);
        input.Consume(kRecordHeaderBytes + length + CryptoPrimitives::kTagBytes);
        if (IsFinal(header, flags)) {
            job.Ended(header, flags);
            return;
        }
    }
}
}  // namespace

// Plain bytes go out as they come, but for the last few, which may be the start of a header. The
// input holds one block at a time however many sections there are: more is read only once what
// is held is decrypted or gone out.
std::size_t MeridianDecryption::Decrypt(const Source& source, const Sink& sink,
                                        const CXString& passPhrase) {
    const std::string_view magic(reinterpret_cast<const char*>(kMagic.data()), kMagic.size());
    Input input(source);
    SectionKeys keys(passPhrase);
    JobSections job;
    bool more = input.Hold(1);
    for (;;) {
        const std::string_view held(reinterpret_cast<const char*>(input.Front()), input.Held());
        const std::size_t sectionAt = held.find(magic);
        const std::size_t plain = sectionAt != std::string_view::npos ? sectionAt
                                  : held.size() > magic.size() - 1 ? held.size() - magic.size() + 1
                                                                   : 0;
        if (const auto damaged = DamagedMark(held, plain)) {
            sink(input.Front(), *damaged);
            Fail(input.Offset() + *damaged,
                 "the section mark has one bit wrong, so its bytes cannot be told from plain ones "
                 "(the output was damaged)");
        }
        sink(input.Front(), plain);
        input.Consume(plain);
        if (sectionAt != std::string_view::npos) {
            DecryptSection(input, keys, job, sink);
            more = input.Hold(1);
            continue;
        }
        if (!more) {
            const std::size_t cut = CutMark(input.Front(), input.Held());
            sink(input.Front(), input.Held() - cut);
            if (cut != 0) {
                Fail(input.Offset() + input.Held() - cut,
                     "the output ends " +
                         (cut == 1 ? std::string("1 byte") : std::to_string(cut) + " bytes") +
                         " into a section mark (it was cut short)");
            }
            job.CheckEnd(input.Offset() + input.Held());
            return job.FirstVersionSections();
        }
        more = input.Hold(input.Held() + 1);
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
