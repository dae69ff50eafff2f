// CopyStream over 256 MB jobs into a sink that drops the bytes: binary PCL XL-like data without
// markers, PostScript with a page setup section every 256 bytes, 4 KB and 64 KB, and the binary job
// encrypted; each beside a plain copy of the same bytes. The encrypted run uses one PBKDF2
// iteration so that it measures the copy and the cipher (the key derivation, once per job, is in
// encryption_bench). Two runs keep an operation account with a sink, to hold against the same
// runs without one.
#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <random>
#include <string>

#include "FilterPipeline/PDLStreamFilter/PDLInserter.h"
#include "FilterPipeline/PDLStreamFilter/PdlValue.h"
#include "FilterPipeline/PDLStreamFilter/PipelineOutput.h"
#include "tests/fakes/FakeComObject.h"

namespace {
constexpr std::size_t kJobBytes = 256u << 20;

// Serves `prefix`, then `pattern` over and over, up to `total` bytes.
class PatternReader : public FakeComObject<IPrintReadStream> {
  public:
    PatternReader(std::string prefix, const std::string& pattern, std::size_t total)
        : FakeComObject(IID_IPrintReadStream),
          prefix(std::move(prefix)),
          pattern(pattern),
          total(total) {}
    HRESULT STDMETHODCALLTYPE Seek(LONGLONG, DWORD, ULONGLONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ReadBytes(void* buffer, ULONG requested, ULONG* read,
                                        BOOL* end) override {
        auto* out = static_cast<char*>(buffer);
        ULONG done = 0;
        while (done < requested && position < total) {
            const std::string& source = position < prefix.size() ? prefix : pattern;
            const std::size_t at =
                position < prefix.size() ? position : (position - prefix.size()) % pattern.size();
            const std::size_t count =
                std::min<std::size_t>({requested - done, source.size() - at, total - position});
            std::memcpy(out + done, source.data() + at, count);
            done += static_cast<ULONG>(count);
            position += count;
        }
        *read = done;
        *end = position >= total ? TRUE : FALSE;
        return S_OK;
    }

  private:
    std::string prefix;
    const std::string& pattern;
    std::size_t total;
    std::size_t position = 0;
};

class NullWriter : public FakeComObject<IPrintWriteStream> {
  public:
    NullWriter() : FakeComObject(IID_IPrintWriteStream) {}
    HRESULT STDMETHODCALLTYPE WriteBytes(const void*, ULONG count, ULONG* written) override {
        *written = count;
        return S_OK;
    }
    void STDMETHODCALLTYPE Close() override {}
};

// An account sink that only counts, in a property bag that holds nothing else.
class CountingSink : public FakeComObject<IPDLStreamFilterAccountSink> {
  public:
    CountingSink() : FakeComObject(IID_IPDLStreamFilterAccountSink) {}
    HRESULT STDMETHODCALLTYPE Record(const char*, ULONG count) override {
        bytes += count;
        return S_OK;
    }
    std::uint64_t bytes = 0;
};

class SinkBag : public FakeComObject<IPrintPipelinePropertyBag> {
  public:
    explicit SinkBag(CountingSink* sink)
        : FakeComObject(IID_IPrintPipelinePropertyBag), sink(sink) {}
    HRESULT STDMETHODCALLTYPE AddProperty(const WCHAR*, const VARIANT*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetProperty(const WCHAR*, VARIANT* value) override {
        VariantInit(value);
        value->vt = VT_UNKNOWN;
        value->punkVal = sink;
        sink->AddRef();
        return S_OK;
    }
    BOOL STDMETHODCALLTYPE DeleteProperty(const WCHAR*) override { return FALSE; }

  private:
    CountingSink* sink;
};

class OneIterationRandom : public RandomSource {
  public:
    void Fill(std::uint8_t* bytes, std::size_t count) override { std::memset(bytes, 7, count); }
};

const std::string& BinaryPattern() {
    static const std::string pattern = [] {
        std::mt19937 generator(1);
        std::string bytes(4u << 20, '\0');
        for (char& c : bytes) {
            c = static_cast<char>(generator() % 200 + 40);
        }
        return bytes;
    }();
    return pattern;
}

const std::string& PostScriptPattern(std::size_t pageBytes) {
    static std::map<std::size_t, std::string> patterns;
    std::string& pattern = patterns[pageBytes];
    if (pattern.empty()) {
        for (int page = 0; pattern.size() < (4u << 20); ++page) {
            std::string text =
                "%%Page: " + std::to_string(page) + " " + std::to_string(page) +
                "\n%%BeginPageSetup\n<< >> setpagedevice\n%%EndPageSetup\ngsave simpInitG\n";
            text.append(pageBytes > text.size() + 19 ? pageBytes - text.size() - 19 : 1, 'x');
            text += "\ngrestore\nshowpage\n";
            pattern += text;
        }
    }
    return pattern;
}

void RunCopy(benchmark::State& state, const std::string& prefix, const std::string& pattern,
             LONG pdl, bool encrypt, bool withAccount = false) {
    auto* sink = new CountingSink();
    auto* bag = new SinkBag(sink);
    for (auto _ : state) {
        OperationAccount account = withAccount ? OperationAccount(bag) : OperationAccount();
        auto* reader = new PatternReader(prefix, pattern, kJobBytes);
        auto* writer = new NullWriter();
        {
            PipelineOutput pipeline(writer, account);
            std::unique_ptr<EncryptingOutput> encrypting;
            if (encrypt) {
                encrypting = std::make_unique<EncryptingOutput>(
                    pipeline, CXString(WIDE("secret")),
                    std::make_unique<MeridianEncryption>(
                        1, CXString(), std::make_unique<OneIterationRandom>(), 1));
            }
            PDLInsertionDataList items;
            InserterOptions options;
            options.pdlType = pdl;
            PDLInserter inserter(encrypting ? static_cast<PdlOutput&>(*encrypting) : pipeline,
                                 reader, items, options);
            inserter.CopyStream();
        }
        reader->Release();
        writer->Release();
    }
    bag->Release();
    sink->Release();
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kJobBytes));
}

void PlainCopyOf256MB(benchmark::State& state) {
    const std::string& pattern = BinaryPattern();
    std::string target(pattern.size(), '\0');
    for (auto _ : state) {
        for (std::size_t done = 0; done < kJobBytes; done += pattern.size()) {
            std::memcpy(target.data(), pattern.data(), pattern.size());
            benchmark::ClobberMemory();
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kJobBytes));
}
BENCHMARK(PlainCopyOf256MB)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void CopyStreamBinaryWithoutMarkers(benchmark::State& state) {
    RunCopy(state, "", BinaryPattern(), PdlValue::PclXl, false);
}
BENCHMARK(CopyStreamBinaryWithoutMarkers)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

void CopyStreamPostScriptPageEvery4K(benchmark::State& state) {
    RunCopy(state, "", PostScriptPattern(4096), PdlValue::PostScript, false);
}
BENCHMARK(CopyStreamPostScriptPageEvery4K)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

void CopyStreamPostScriptPageEvery256Bytes(benchmark::State& state) {
    RunCopy(state, "", PostScriptPattern(256), PdlValue::PostScript, false);
}
BENCHMARK(CopyStreamPostScriptPageEvery256Bytes)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

void CopyStreamPostScriptPageEvery64K(benchmark::State& state) {
    RunCopy(state, "", PostScriptPattern(65536), PdlValue::PostScript, false);
}
BENCHMARK(CopyStreamPostScriptPageEvery64K)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

void CopyStreamBinaryWithoutMarkersWithAccount(benchmark::State& state) {
    RunCopy(state, "", BinaryPattern(), PdlValue::PclXl, false, true);
}
BENCHMARK(CopyStreamBinaryWithoutMarkersWithAccount)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

void CopyStreamPostScriptPageEvery64KWithAccount(benchmark::State& state) {
    RunCopy(state, "", PostScriptPattern(65536), PdlValue::PostScript, false, true);
}
BENCHMARK(CopyStreamPostScriptPageEvery64KWithAccount)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

void CopyStreamBinaryEncrypted(benchmark::State& state) {
    RunCopy(state, "@PJL ENTER LANGUAGE=PCLXL\r\n", BinaryPattern(), PdlValue::PclXl, true);
}
BENCHMARK(CopyStreamBinaryEncrypted)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
}  // namespace
