// Encryption of the print stream in 64 KB blocks (the size of the copy's writes), beside a plain
// copy of the same blocks, the per-job key derivation on its own, and a job of 100 sections (a
// stream with 100 language switches), which must cost one derivation, not 100.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

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
}  // namespace
