// The layout of an encrypted section (docs/encryption.md): a header, then records of flags (1),
// length (4, big-endian), cipher text and a 16-byte GCM tag. Version 2 numbers the sections of a
// job and marks its last one; version 1, without either, is still read.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "CryptoPrimitives.h"

namespace MeridianFormat {

inline constexpr std::array<std::uint8_t, 8> kMagic = {0x89, 'C', 'V', 'E', 'N', 'C', '\r', '\n'};
inline constexpr std::uint8_t kVersion = 2;
inline constexpr std::uint8_t kFirstVersion = 1;
inline constexpr std::uint8_t kKdfPbkdf2HmacSha256 = 1;
inline constexpr std::size_t kSaltBytes = 16;
inline constexpr std::size_t kNoncePrefixBytes = 7;
inline constexpr std::size_t kFirstVersionHeaderBytes =
    8 + 1 + 1 + 4 + kSaltBytes + kNoncePrefixBytes;
inline constexpr std::size_t kSectionNumberBytes = 4;
inline constexpr std::size_t kHeaderBytes = kFirstVersionHeaderBytes + kSectionNumberBytes;
inline constexpr std::size_t kRecordHeaderBytes = 1 + 4;
inline constexpr std::size_t kAssociatedBytes = kHeaderBytes + kRecordHeaderBytes;
inline constexpr std::uint8_t kMoreRecords = 0x00;
// The final record of a section that another section of the job follows (in version 1: of any
// section), and of the job's last section.
inline constexpr std::uint8_t kFinalRecord = 0x01;
inline constexpr std::uint8_t kFinalRecordOfJob = 0x03;

// Offsets within the header.
inline constexpr std::size_t kVersionAt = 8;
inline constexpr std::size_t kKdfAt = 9;
inline constexpr std::size_t kIterationsAt = 10;
inline constexpr std::size_t kSaltAt = 14;
inline constexpr std::size_t kNoncePrefixAt = kSaltAt + kSaltBytes;
inline constexpr std::size_t kSectionNumberAt = kNoncePrefixAt + kNoncePrefixBytes;

inline constexpr std::size_t HeaderBytesOf(std::uint8_t version) {
    return version == kFirstVersion ? kFirstVersionHeaderBytes : kHeaderBytes;
}

// A header of either version; one of version 1 fills only its first 37 bytes.
using Header = std::array<std::uint8_t, kHeaderBytes>;

inline void PutBigEndian32(std::uint8_t* at, std::uint32_t value) {
    at[0] = static_cast<std::uint8_t>(value >> 24);
    at[1] = static_cast<std::uint8_t>(value >> 16);
    at[2] = static_cast<std::uint8_t>(value >> 8);
    at[3] = static_cast<std::uint8_t>(value);
}

inline std::uint32_t GetBigEndian32(const std::uint8_t* at) {
    return (static_cast<std::uint32_t>(at[0]) << 24) | (static_cast<std::uint32_t>(at[1]) << 16) |
           (static_cast<std::uint32_t>(at[2]) << 8) | static_cast<std::uint32_t>(at[3]);
}

// Nonce of a record: the section's prefix, the record's index, its flags.
inline void MakeNonce(const Header& header, std::uint32_t index, std::uint8_t flags,
                      std::uint8_t (&nonce)[CryptoPrimitives::kNonceBytes]) {
    for (std::size_t i = 0; i < kNoncePrefixBytes; ++i) {
        nonce[i] = header[kNoncePrefixAt + i];
    }
    PutBigEndian32(nonce + kNoncePrefixBytes, index);
    nonce[CryptoPrimitives::kNonceBytes - 1] = flags;
}

// Associated data of a record: the whole section header and the record's own flags and length;
// returns its length.
inline std::size_t MakeAssociatedData(const Header& header, const std::uint8_t* recordHeader,
                                      std::uint8_t (&associated)[kAssociatedBytes]) {
    const std::size_t headerBytes = HeaderBytesOf(header[kVersionAt]);
    for (std::size_t i = 0; i < headerBytes; ++i) {
        associated[i] = header[i];
    }
    for (std::size_t i = 0; i < kRecordHeaderBytes; ++i) {
        associated[headerBytes + i] = recordHeader[i];
    }
    return headerBytes + kRecordHeaderBytes;
}

}  // namespace MeridianFormat
