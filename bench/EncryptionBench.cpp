// Encryption of the print stream in 64 KB blocks (the size of the copy's writes), beside a plain
// copy of the same blocks, the per-job key derivation on its own, and a job of 100 sections (a
// stream with 100 language switches), which must cost one derivation, not 100; and the decryption
// of a 256 MB encrypted output streamed from memory, written as the filter writes it (128 KB
// records, one PBKDF2 iteration so that the figure is the cipher's and the decryptor's).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "companion/Utilities/MeridianDecryption.h"
#include "companion/Utilities/MeridianEncryption.h"

namespace {
constexpr std::size_t kBlock = 64 * 1024;
const CXString kPassPhrase(WIDE("correct horse battery staple"));

void PlainCopyOf64KBlocks(benchmark::State& state) {
    const std::vector<BYTE> block(kBlock, 0x5A);
    std::vector<BYTE> target(kBlock);
    for (auto _ : state) {
        std::memcpy(target.data(), block.data(), kBlock);
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBlock));
}
BENCHMARK(PlainCopyOf64KBlocks);

void EncryptionOf64KBlocks(benchmark::State& state) {
    const std::vector<BYTE> block(kBlock, 0x5A);
    MeridianEncryption encryption(1, CXString());
    ByteBuffer opening;
    encryption.EncryptByteBuffer(block.data(), 1, opening, kPassPhrase, false);
    for (auto _ : state) {
        ByteBuffer out;
        encryption.EncryptByteBuffer(block.data(), kBlock, out, kPassPhrase, false);
        benchmark::DoNotOptimize(out.getLpbyte());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBlock));
}
BENCHMARK(EncryptionOf64KBlocks);

void JobKeyDerivation(benchmark::State& state) {
    const BYTE byte = 0;
    for (auto _ : state) {
        MeridianEncryption encryption(1, CXString());
        ByteBuffer out;
        encryption.EncryptByteBuffer(&byte, 1, out, kPassPhrase, true);
        benchmark::DoNotOptimize(out.getLpbyte());
    }
}
BENCHMARK(JobKeyDerivation)->Unit(benchmark::kMillisecond)->Iterations(5);

void JobOf100Sections(benchmark::State& state) {
    const BYTE byte = 0;
    for (auto _ : state) {
        MeridianEncryption encryption(1, CXString());
        for (int section = 0; section < 100; ++section) {
            ByteBuffer out;
            encryption.EncryptByteBuffer(&byte, 1, out, kPassPhrase, true);
            benchmark::DoNotOptimize(out.getLpbyte());
        }
    }
}
BENCHMARK(JobOf100Sections)->Unit(benchmark::kMillisecond)->Iterations(5);

std::string EncryptedOutput(std::size_t bytes) {
    constexpr std::size_t kRecord = 128 * 1024;
    std::vector<BYTE> block(kRecord);
    for (std::size_t i = 0; i < kRecord; ++i) {
        block[i] = static_cast<BYTE>(i * 131 + 7);
    }
    MeridianEncryption encryption(1, CXString(), std::make_unique<SystemRandomSource>(), 1);
    std::string output = "\x1b%-12345X@PJL ENTER LANGUAGE=PCLXL\r\n";
    for (std::size_t done = 0; done < bytes; done += kRecord) {
        ByteBuffer out;
        encryption.EncryptByteBuffer(block.data(), kRecord, out, kPassPhrase,
                                     done + kRecord >= bytes);
        output.append(reinterpret_cast<const char*>(out.getLpbyte()), out.getDword());
    }
    return output + "\x1b%-12345X";
}

void DecryptionOf256MB(benchmark::State& state) {
    const std::string output = EncryptedOutput(256u << 20);
    std::size_t plain = 0;
    for (auto _ : state) {
        std::size_t at = 0;
        plain = 0;
        MeridianDecryption::Decrypt(
            [&](std::uint8_t* into, std::size_t room) {
                const std::size_t count = std::min(room, output.size() - at);
                std::memcpy(into, output.data() + at, count);
                at += count;
                return count;
            },
            [&](const std::uint8_t* bytes, std::size_t count) {
                benchmark::DoNotOptimize(bytes);
                plain += count;
            },
            kPassPhrase);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * output.size()));
    state.counters["plainBytes"] = static_cast<double>(plain);
}
BENCHMARK(DecryptionOf256MB)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
}  // namespace
