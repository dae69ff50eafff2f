// Wide job-control text on its way into the print stream: ANSI bytes for PJL and PostScript
// insertions, UTF-8 for tickets. Insertion texts reach tens of kilobytes (full tickets).
#include <benchmark/benchmark.h>

#include "companion/Utilities/ByteBuffer.h"

namespace {
CXString JobControlText(std::size_t characters) {
    std::basic_string<WCHAR> text;
    const std::basic_string<WCHAR> line = WIDE("@PJL SET JOBNAME=\"R\u00e9sum\u00e9 \u20ac\"\r\n");
    while (text.size() < characters) {
        text += line;
    }
    return CXString(text.substr(0, characters));
}

void AnsiConversion(benchmark::State& state) {
    const CXString text = JobControlText(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        ByteBuffer buffer;
        buffer.appendAsAnsi_LossyForUnicode(text);
        benchmark::DoNotOptimize(buffer.getLpbyte());
    }
    state.SetBytesProcessed(state.iterations() * state.range(0) * 2);
}
BENCHMARK(AnsiConversion)->Arg(64)->Arg(4096)->Arg(65536);

void Utf8Conversion(benchmark::State& state) {
    const CXString text = JobControlText(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        const CPString utf8(text);
        benchmark::DoNotOptimize(utf8.utf8RawBytes());
    }
    state.SetBytesProcessed(state.iterations() * state.range(0) * 2);
}
BENCHMARK(Utf8Conversion)->Arg(64)->Arg(4096)->Arg(65536);
}  // namespace
