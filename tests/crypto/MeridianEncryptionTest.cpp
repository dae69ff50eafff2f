// Encrypted sections end to end: one salt per job and a nonce prefix per section, what cannot key
// or continue a section, and every kind of damage refused with the section's offset. (Round trips
// over call patterns are the known-answer vectors'.)
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "companion/Utilities/CPExceptionInvalidArgument.h"
#include "companion/Utilities/MeridianDecryption.h"
#include "companion/Utilities/MeridianEncryption.h"
#include "tests/crypto/MeridianVectors.h"

namespace {
// Few iterations keep the many derivations of these tests quick; the count is in each header.
constexpr std::uint32_t kTestIterations = 1000;
const CXString kPassPhrase(WIDE("correct horse battery staple"));

std::string Bytes(const ByteBuffer& buffer) {
    return std::string(reinterpret_cast<const char*>(buffer.getLpbyte()), buffer.getDword());
}

class Section {
  public:
    Section()
        : encryption(1, CXString(), std::make_unique<SystemRandomSource>(), kTestIterations) {}

    // One call; returns what it delivered.
    std::string Write(const std::string& bytes, bool last,
                      const CXString& passPhrase = kPassPhrase) {
        ByteBuffer out;
        delivered =
            encryption.EncryptByteBuffer(reinterpret_cast<const BYTE*>(bytes.data()),
                                         static_cast<DWORD>(bytes.size()), out, passPhrase, last);
        return Bytes(out);
    }
    bool delivered = false;

  private:
    MeridianEncryption encryption;
};

// One job, one key: its sections share the salt, and only a nonce prefix of their own keeps their
// nonces apart; a new job (object) gets a new salt.
TEST(MeridianEncryption, TheSectionsOfAJobShareTheSaltButNeverANoncePrefix) {
    MeridianEncryption job(1, CXString(WIDE("C:\\Packages\\Ext")));
    MeridianEncryption nextJob(1, CXString());
    ByteBuffer first, second, other;
    const BYTE bytes[] = {'a'};
    job.MoreSectionsFollow();
    job.EncryptByteBuffer(bytes, 1, first, kPassPhrase, true);
    job.EncryptByteBuffer(bytes, 1, second, kPassPhrase, true);
    nextJob.EncryptByteBuffer(bytes, 1, other, kPassPhrase, true);
    const std::string a = Bytes(first), b = Bytes(second), c = Bytes(other);
    using MeridianFormat::kNoncePrefixAt;
    using MeridianFormat::kNoncePrefixBytes;
    using MeridianFormat::kSaltAt;
    using MeridianFormat::kSaltBytes;
    EXPECT_EQ(std::string("\x00\x09\x27\xc0", 4), a.substr(MeridianFormat::kIterationsAt, 4));
    EXPECT_EQ(a.substr(kSaltAt, kSaltBytes), b.substr(kSaltAt, kSaltBytes));
    EXPECT_NE(a.substr(kNoncePrefixAt, kNoncePrefixBytes),
              b.substr(kNoncePrefixAt, kNoncePrefixBytes));
    EXPECT_NE(a.substr(kSaltAt, kSaltBytes), c.substr(kSaltAt, kSaltBytes));
    EXPECT_EQ("aaa", MeridianDecryption::DecryptStream(a + b + c, kPassPhrase));
}

TEST(MeridianEncryption, RefusesWhatCannotKeyOrContinueASection) {
    EXPECT_THROW(MeridianEncryption(2, CXString()), CPExceptionInvalidArgument);
    Section section;
    EXPECT_THROW(section.Write("x", false, CXString()), CPExceptionInvalidArgument);
    section.Write("x", false);
    EXPECT_THROW(section.Write("y", false, CXString(WIDE("another"))), CPExceptionInvalidArgument);
    section.Write("z", true);
    EXPECT_NO_THROW(section.Write("new section", true, CXString(WIDE("another"))));
}

// A stream of plain text, one section of three records and plain text again, with the offsets of
// its parts, for damaging it in every way a transfer or an attacker could.
struct DamageableStream {
    static constexpr std::size_t kSectionAt = 5;
    std::string bytes;
    std::size_t record[3];

    DamageableStream() {
        Section section;
        bytes = "PLAIN";
        std::string parts[3];
        parts[0] = section.Write("first record", false);
        parts[1] = section.Write("second record", false);
        parts[2] = section.Write("final", true);
        record[0] = kSectionAt + MeridianFormat::kHeaderBytes;
        record[1] = kSectionAt + parts[0].size();
        record[2] = record[1] + parts[1].size();
        bytes += parts[0] + parts[1] + parts[2] + "TAIL";
    }
    std::string Record(int i) const {
        const std::size_t end = i == 2 ? bytes.size() - 4 : record[i + 1];
        return bytes.substr(record[i], end - record[i]);
    }
};

TEST(MeridianDecryption, EveryKindOfDamageIsRefusedNamingTheSection) {
    const DamageableStream stream;
    ASSERT_EQ("PLAINfirst recordsecond recordfinalTAIL",
              MeridianDecryption::DecryptStream(stream.bytes, kPassPhrase));
    auto flip = [&](std::size_t at) {
        std::string damaged = stream.bytes;
        damaged[at] = static_cast<char>(damaged[at] ^ 0x01);
        return damaged;
    };
    const std::size_t header = DamageableStream::kSectionAt;
    // A header that asks for an absurd derivation is refused before any key is derived: a count
    // of 4 billion would take hours.
    auto withIterations = [&](std::uint32_t count) {
        std::string damaged = stream.bytes;
        MeridianFormat::PutBigEndian32(reinterpret_cast<std::uint8_t*>(
                                           damaged.data() + header + MeridianFormat::kIterationsAt),
                                       count);
        return damaged;
    };
    // A length no filter writes is refused before the decryptor waits for, or holds, that many
    // bytes.
    auto withLength = [&](std::uint32_t length) {
        std::string damaged = stream.bytes;
        MeridianFormat::PutBigEndian32(
            reinterpret_cast<std::uint8_t*>(damaged.data() + stream.record[1] + 1), length);
        return damaged;
    };
    std::string otherKdf = stream.bytes;
    otherKdf[header + MeridianFormat::kKdfAt] = 2;
    struct Case {
        const char* label;
        std::string damaged;
        CXString passPhrase;
        std::string reason;
    };
    Section other;
    const std::string foreign = other.Write("first record", false);
    const Case cases[] = {
        {"wrong pass phrase", stream.bytes, CXString(WIDE("wrong")), "fails authentication"},
        {"version byte", flip(header + MeridianFormat::kVersionAt), kPassPhrase,
         "unknown format version"},
        {"iteration count", flip(header + MeridianFormat::kIterationsAt + 3), kPassPhrase,
         "fails authentication"},
        {"no iterations", withIterations(0), kPassPhrase, "implausible PBKDF2 iteration count 0"},
        {"4 billion iterations", withIterations(0xFFFFFFFFu), kPassPhrase,
         "implausible PBKDF2 iteration count 4294967295"},
        {"one above the documented maximum", withIterations(100000001), kPassPhrase,
         "implausible PBKDF2 iteration count 100000001"},
        {"unknown key derivation", otherKdf, kPassPhrase, "unknown key derivation 2"},
        {"salt", flip(header + MeridianFormat::kSaltAt), kPassPhrase, "fails authentication"},
        {"nonce prefix", flip(header + MeridianFormat::kNoncePrefixAt), kPassPhrase,
         "fails authentication"},
        {"record flags", flip(stream.record[0]), kPassPhrase, "fails authentication"},
        {"record length", flip(stream.record[1] + 4), kPassPhrase, "fails authentication"},
        {"record length beyond any the filter writes", withLength((64u << 20) + 1), kPassPhrase,
         "record 1 at offset 79 is longer than any record the filter writes"},
        {"cipher text", flip(stream.record[1] + 7), kPassPhrase, "fails authentication"},
        {"tag", flip(stream.record[2] - 1), kPassPhrase, "fails authentication"},
        {"final record dropped", stream.bytes.substr(0, stream.record[2]), kPassPhrase,
         "final record is missing"},
        {"cut inside a record", stream.bytes.substr(0, stream.record[1] + 9), kPassPhrase,
         "final record is missing"},
        {"middle record dropped",
         stream.bytes.substr(0, stream.record[1]) + stream.Record(2) + "TAIL", kPassPhrase,
         "fails authentication"},
        {"records reordered",
         stream.bytes.substr(0, stream.record[0]) + stream.Record(1) + stream.Record(0) +
             stream.Record(2),
         kPassPhrase, "fails authentication"},
        {"record of another section spliced in",
         stream.bytes.substr(0, stream.record[0]) + foreign.substr(MeridianFormat::kHeaderBytes) +
             stream.Record(1) + stream.Record(2),
         kPassPhrase, "fails authentication"},
        {"header cut short", stream.bytes.substr(0, header + 20), kPassPhrase,
         "header is cut short"},
        {"a bit of the mark's first byte", flip(header), kPassPhrase,
         "the section mark has one bit wrong"},
        {"a bit of the mark's last byte", flip(header + 7), kPassPhrase,
         "the section mark has one bit wrong"},
        {"cut 1 byte into the mark", stream.bytes.substr(0, header + 1), kPassPhrase,
         "the output ends 1 byte into a section mark"},
        {"cut 7 bytes into the mark", stream.bytes.substr(0, header + 7), kPassPhrase,
         "the output ends 7 bytes into a section mark"},
    };
    for (const Case& c : cases) {
        try {
            const std::string plain = MeridianDecryption::DecryptStream(c.damaged, c.passPhrase);
            ADD_FAILURE() << c.label << ": decrypted to " << plain.size() << " bytes";
        } catch (const CPExceptionInvalidArgument& failure) {
            EXPECT_EQ(0u, failure.getMessage().find("encrypted section at offset 5: "))
                << c.label << ": " << failure.getMessage();
            EXPECT_NE(std::string::npos, failure.getMessage().find(c.reason))
                << c.label << ": " << failure.getMessage();
        }
    }
}

// The sections of one job, in their order: section `i` ends the job when it is the last.
std::vector<std::string> JobOfSections(int count, const std::string& text) {
    MeridianEncryption job(1, CXString(), std::make_unique<SystemRandomSource>(), kTestIterations);
    std::vector<std::string> sections;
    for (int i = 0; i < count; ++i) {
        if (i + 1 < count) {
            job.MoreSectionsFollow();
        }
        const std::string bytes = text + std::to_string(i);
        ByteBuffer out;
        job.EncryptByteBuffer(reinterpret_cast<const BYTE*>(bytes.data()),
                              static_cast<DWORD>(bytes.size()), out, kPassPhrase, true);
        sections.push_back(Bytes(out));
    }
    return sections;
}

// Each section carries its job's salt and its number, and the last one says so: a section cut
// off, dropped, repeated, moved or taken from another job of the same pass phrase is refused.
TEST(MeridianDecryption, SectionsOutOfTheirJobOrPlaceAreRefused) {
    const std::vector<std::string> s = JobOfSections(3, "s");
    const std::vector<std::string> o = JobOfSections(3, "o");
    const std::string between = "\x1b%-12345X@PJL ENTER LANGUAGE=PCLXL\r\n";
    const auto stream = [&](std::initializer_list<std::string> sections) {
        std::string bytes;
        for (const std::string& section : sections) {
            bytes += between + section;
        }
        return bytes;
    };
    EXPECT_EQ(between + "s0" + between + "s1" + between + "s2" + between + "o0" + between + "o1" +
                  between + "o2",
              MeridianDecryption::DecryptStream(stream({s[0], s[1], s[2], o[0], o[1], o[2]}),
                                                kPassPhrase))
        << "two whole jobs one behind the other";
    struct Case {
        const char* label;
        std::string damaged;
        std::string reason;
    };
    const Case cases[] = {
        {"cut between sections", stream({s[0], s[1]}), "the job's last section is missing"},
        {"a section dropped", stream({s[0], s[2]}), "section 2 stands where section 1 must"},
        {"a section repeated", stream({s[0], s[1], s[1], s[2]}),
         "section 1 stands where section 2 must"},
        {"two sections swapped", stream({s[0], s[2], s[1]}),
         "section 2 stands where section 1 must"},
        {"the first section dropped", stream({s[1], s[2]}), "the job's first section is number 1"},
        {"a section of another job", stream({s[0], o[1], s[2]}), "belongs to another job"},
        {"a section behind the job's last", stream({s[0], s[1], s[2], s[2]}),
         "the job's first section is number 2"},
    };
    for (const Case& c : cases) {
        try {
            const std::string plain = MeridianDecryption::DecryptStream(c.damaged, kPassPhrase);
            ADD_FAILURE() << c.label << ": decrypted to " << plain.size() << " bytes";
        } catch (const CPExceptionInvalidArgument& failure) {
            EXPECT_NE(std::string::npos, failure.getMessage().find(c.reason))
                << c.label << ": " << failure.getMessage();
        }
    }
}

// The decryptor reads the output in pieces of any size: sections and the magic split across
// reads come out the same, and a record's plaintext is passed on only once its tag verified.
TEST(MeridianDecryption, StreamsOverAnyReadSizeAndPassesOnlyVerifiedRecords) {
    const DamageableStream stream;
    std::string twoSections = stream.bytes + "\x89" + stream.bytes;
    std::string damaged = stream.bytes;
    damaged[stream.record[2] - 1] = static_cast<char>(damaged[stream.record[2] - 1] ^ 0x01);
    std::string markOneBitWrong = stream.bytes;
    markOneBitWrong[DamageableStream::kSectionAt + 3] ^= 0x40;
    const std::string cutIntoTheMark = stream.bytes.substr(0, DamageableStream::kSectionAt + 3);
    struct Case {
        const char* label;
        const std::string& input;
        std::string passedOn;
        bool fails;
    };
    const Case cases[] = {
        {"two sections", twoSections,
         "PLAINfirst recordsecond recordfinalTAIL\x89PLAINfirst recordsecond recordfinalTAIL",
         false},
        {"damaged second record", damaged, "PLAINfirst record", true},
        {"a mark with one bit wrong", markOneBitWrong, "PLAIN", true},
        {"cut 3 bytes into the mark", cutIntoTheMark, "PLAIN", true},
    };
    for (const Case& c : cases) {
        for (const std::size_t readSize :
             {std::size_t{1}, std::size_t{2}, std::size_t{7}, std::size_t{1} << 20}) {
            std::size_t at = 0;
            std::string passedOn;
            bool failed = false;
            try {
                MeridianDecryption::Decrypt(
                    [&](std::uint8_t* into, std::size_t room) {
                        const std::size_t count = std::min({room, readSize, c.input.size() - at});
                        std::copy_n(c.input.data() + at, count, reinterpret_cast<char*>(into));
                        at += count;
                        return count;
                    },
                    [&](const std::uint8_t* bytes, std::size_t count) {
                        passedOn.append(reinterpret_cast<const char*>(bytes), count);
                    },
                    kPassPhrase);
            } catch (const CPExceptionInvalidArgument&) {
                failed = true;
            }
            EXPECT_EQ(c.passedOn, passedOn) << c.label << ", reads of " << readSize;
            EXPECT_EQ(c.fails, failed) << c.label << ", reads of " << readSize;
        }
    }
}
}  // namespace
