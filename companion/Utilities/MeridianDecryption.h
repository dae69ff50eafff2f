// Undoes MeridianEncryption over a filter output: every encrypted section, found by its header, is
// replaced by its plaintext; every other byte is kept. The output is read in blocks and holds at
// most one record and a section header at a time; a record's plaintext goes out only after its tag
// verified.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "CXString.h"

class MeridianDecryption {
  public:
    // The highest PBKDF2 iteration count a header may ask for, so that a damaged or hostile header
    // cannot stall the decryption.
    static constexpr std::uint32_t kMaximumIterations = 100000000;
    // The largest record accepted: the filter writes blocks of at most 128 KB, and a damaged or
    // hostile length must not make the decryptor hold gigabytes.
    static constexpr std::uint32_t kMaximumRecordBytes = 64u << 20;

    // Fills `into` with up to `room` bytes of the output; 0 at its end.
    using Source = std::function<std::size_t(std::uint8_t* into, std::size_t room)>;
    // Takes the result in order: plain bytes, and each record's plaintext once it verified.
    using Sink = std::function<void(const std::uint8_t* bytes, std::size_t count)>;

    // Streams from `source` to `sink`; returns how many sections were of format version 1, which
    // cannot tell a section dropped, repeated, moved or taken from another job. Throws as
    // DecryptStream does; what went to `sink` before the fault was everything in front of it, and
    // a caller must discard it.
    static std::size_t Decrypt(const Source& source, const Sink& sink, const CXString& passPhrase);

    // The whole output in memory. Throws CPExceptionInvalidArgument, naming the section's offset,
    // for a wrong pass phrase, a modified, dropped or reordered record, a missing final record, a
    // section of version 2 dropped, repeated, moved or of another job, a job cut between sections,
    // a header it cannot read, a section mark with one bit wrong or an output that ends inside a
    // mark (either would pass a section off as plain bytes); then nothing is returned.
    static std::string DecryptStream(std::string_view stream, const CXString& passPhrase);
};
