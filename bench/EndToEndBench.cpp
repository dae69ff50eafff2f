// A real driver-style job end to end: 20,000 pages of Ghostscript's ps2write ("gsave simpInitG"
// groups, from the example job, repeated) run in process through the host's pipeline, through
// `pdl-stream-filter run` and its CUPS mode with duplex on every page, beside CUPS's own pstops on
// the same pages where it is installed; and file to file into a new and into an existing output,
// beside dd bs=64k; and the parts that bound those figures: the read of the job alone, the
// account's page records read back as JSON, the host's start. The job is made once, in the build
// tree.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "host/job/JobFile.h"
#include "host/pipeline/HostAccountSink.h"
#include "host/pipeline/JobRun.h"

namespace {
constexpr int kPages = 20000;

std::filesystem::path Here() {
    return std::filesystem::canonical("/proc/self/exe").parent_path();
}

std::filesystem::path Work() {
    const std::filesystem::path work = Here() / "end-to-end-bench";
    std::filesystem::create_directories(work);
    return work;
}

// The example's pages (from its first "%%Page:" to "%%Trailer") repeated to kPages, between its
// own prolog and trailer.
const std::filesystem::path& Job() {
    static const std::filesystem::path job = [] {
        std::ifstream example(CV_EXAMPLES_DIR "/jobs/doc003.ps2write-drv-simpinitg.pjl.ps",
                              std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(example), {}};
        const std::size_t first = bytes.find("%%Page:");
        const std::size_t trailer = bytes.rfind("%%Trailer");
        const std::string pages = bytes.substr(first, trailer - first);
        const std::filesystem::path path = Work() / "20000-pages.ps";
        std::ofstream out(path, std::ios::binary);
        out << bytes.substr(0, first);
        for (int page = 0; page < kPages; page += 3) {
            out << pages;
        }
        out << bytes.substr(trailer);
        return path;
    }();
    return job;
}

std::string Quoted(const std::filesystem::path& path) {
    return "'" + path.string() + "'";
}

void RunCommand(benchmark::State& state, const std::string& command) {
    const auto bytes = static_cast<std::int64_t>(std::filesystem::file_size(Job()));
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError(("failed: " + command).c_str());
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * bytes);
}

std::filesystem::path JobFileOf(const char* text) {
    const std::filesystem::path path = Work() / "job.json";
    std::ofstream(path) << text;
    return path;
}

void InProcess(benchmark::State& state) {
    const JobFile job = JobFile::Parse(R"({ "driver": { "pdl": 7363 } })", ".");
    const auto bytes = static_cast<std::int64_t>(std::filesystem::file_size(Job()));
    for (auto _ : state) {
        std::FILE* input = std::fopen(Job().c_str(), "rb");
        std::FILE* output = std::fopen("/dev/null", "wb");
        std::ostringstream notes;
        const JobRun::Outcome outcome = JobRun::Execute(job, input, true, output, notes);
        std::fclose(input);
        std::fclose(output);
        if (FAILED(outcome.result)) {
            state.SkipWithError(outcome.message.c_str());
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * bytes);
}

void HostRun(benchmark::State& state) {
    RunCommand(state, Quoted(Here() / "pdl-stream-filter") + " run --job " +
                          Quoted(JobFileOf(R"({ "driver": { "pdl": 7363 } })")) + " --input " +
                          Quoted(Job()) + " --output /dev/null > /dev/null");
}

const std::string& Ppd() {
    static const std::string ppd =
        Quoted(CV_SOURCE_DIR "/packaging/cups/cv-pdlstreamfilter-postscript.ppd");
    return ppd;
}

void CupsMode(benchmark::State& state) {
    RunCommand(state, "PPD=" + Ppd() + " CONTENT_TYPE=application/vnd.cv-pdl-job " +
                          Quoted(Here() / "pdl-stream-filter") +
                          " 1 user title 1 sides=two-sided-long-edge " + Quoted(Job()) +
                          " > /dev/null 2> /dev/null");
}

void Pstops(benchmark::State& state) {
    const char* pstops = "/usr/lib/cups/filter/pstops";
    if (!std::filesystem::exists(pstops)) {
        state.SkipWithError("CUPS's pstops is not installed");
        return;
    }
    RunCommand(state, "PPD=" + Ppd() + " " + pstops + " 1 user title 1 sides=two-sided-long-edge " +
                          Quoted(Job()) + " > /dev/null 2> /dev/null");
}

// `command` writes `output`: state.range(0) 1 replaces an output that exists, 0 writes a new one.
void IntoFile(benchmark::State& state, const std::string& command,
              const std::filesystem::path& output) {
    const auto bytes = static_cast<std::int64_t>(std::filesystem::file_size(Job()));
    for (auto _ : state) {
        state.PauseTiming();
        if (state.range(0) == 0) {
            std::filesystem::remove(output);
        }
        state.ResumeTiming();
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError(("failed: " + command).c_str());
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * bytes);
}

void HostFileToFile(benchmark::State& state) {
    const std::filesystem::path output = Work() / "host.out";
    IntoFile(state,
             Quoted(Here() / "pdl-stream-filter") + " run --job " +
                 Quoted(JobFileOf(R"({ "driver": { "pdl": 7363 } })")) + " --input " +
                 Quoted(Job()) + " --output " + Quoted(output) + " > /dev/null",
             output);
}

void DdFileToFile(benchmark::State& state) {
    const std::filesystem::path output = Work() / "dd.out";
    IntoFile(state, "dd if=" + Quoted(Job()) + " of=" + Quoted(output) + " bs=64k status=none",
             output);
}

// The kernel's copy of the job into the process, 64 KB a read as dd makes it: what every run of
// the job pays before the filter sees a byte.
void ReadAlone(benchmark::State& state) {
    const auto bytes = static_cast<std::int64_t>(std::filesystem::file_size(Job()));
    std::vector<char> buffer(65536);
    for (auto _ : state) {
        std::FILE* input = std::fopen(Job().c_str(), "rb");
        if (input == nullptr) {
            state.SkipWithError("the job cannot be opened");
            return;
        }
        while (std::fread(buffer.data(), 1, buffer.size(), input) == buffer.size()) {
        }
        std::fclose(input);
    }
    state.SetBytesProcessed(state.iterations() * bytes);
}

// The account of the job as the host keeps it: a page record for each page, taken while the copy
// runs and read back as JSON values once it is done, for the summary, the report and --explain.
void AccountRecordsRead(benchmark::State& state) {
    for (auto _ : state) {
        auto* sink = new HostAccountSink();
        for (int page = 1; page <= kPages; ++page) {
            const std::string record = R"({"record":"pageFeatures","page":)" +
                                       std::to_string(page) + R"(,"outputOffset":)" +
                                       std::to_string(page * 6752) + R"(,"length":33,"none":true})";
            sink->Record(record.data(), static_cast<ULONG>(record.size()));
        }
        benchmark::DoNotOptimize(sink->Records());
        sink->Release();
    }
    state.SetItemsProcessed(state.iterations() * kPages);
}

// The host's own start: the program and its libraries loaded, the command line read.
void HostStartUp(benchmark::State& state) {
    const std::string command = Quoted(Here() / "pdl-stream-filter") + " --help > /dev/null";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError(("failed: " + command).c_str());
            return;
        }
    }
}
}  // namespace

BENCHMARK(InProcess)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(HostRun)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(CupsMode)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(Pstops)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(HostFileToFile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(DdFileToFile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(ReadAlone)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(AccountRecordsRead)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(HostStartUp)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
