// Running one job through the filter.
#include "RunCommand.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "InsertionWitness.h"
#include "JobFile.h"
#include "JobRun.h"

namespace {
using Json = nlohmann::ordered_json;

struct Streams {
    std::FILE* input = stdin;
    bool inputSeekable = false;
    std::FILE* output = stdout;
    std::string inputName = "standard input";
    std::string outputName = "standard output";
};

// Where the input and the output are: the option, else the job file's, else the standard stream.
std::optional<std::filesystem::path> Choose(const std::optional<std::string>& option,
                                            const std::optional<std::filesystem::path>& fromJob) {
    if (option) {
        return *option == "-" ? std::nullopt : std::optional<std::filesystem::path>(*option);
    }
    return fromJob;
}

std::FILE* OpenFile(const std::filesystem::path& path, const char* mode) {
#if defined(_WIN32)
    return _wfopen(path.c_str(), mode[0] == 'r' ? L"rb" : L"wb");
#else
    return std::fopen(path.c_str(), mode);
#endif
}

// The input is opened (and checked) first; the output is created only once everything else is
// known to be right, so that a bad invocation leaves no output file behind.
Streams OpenStreams(const RunOptions& options, const JobFile& job) {
    Streams streams;
    if (const auto input = Choose(options.input, job.input)) {
        streams.inputName = input->string();
        streams.input = OpenFile(*input, "rb");
        if (streams.input == nullptr) {
            throw JobFileError("cannot read the input " + streams.inputName);
        }
        streams.inputSeekable = std::filesystem::is_regular_file(*input);
    }
    if (const auto output = Choose(options.output, job.output)) {
        streams.outputName = output->string();
        streams.output = OpenFile(*output, "wb");
        if (streams.output == nullptr) {
            if (streams.input != stdin) {
                std::fclose(streams.input);
            }
            throw JobFileError("cannot create the output " + streams.outputName);
        }
    }
    return streams;
}

void CloseStreams(const Streams& streams) {
    if (streams.input != stdin) {
        std::fclose(streams.input);
    }
    if (streams.output != stdout) {
        std::fclose(streams.output);
    } else {
        std::fflush(stdout);
    }
}

// The most memory the process held at once: the figure that shows a job is streamed, not held.
Json PeakResidentBytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    if (GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters) == FALSE) {
        return nullptr;
    }
    return static_cast<std::uint64_t>(counters.PeakWorkingSetSize);
}

std::string Hex(HRESULT result) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(result));
    return text;
}

Json ReportOf(const JobRun::Outcome& outcome, const Streams& streams) {
    Json items = Json::array();
    for (const InsertionWitness::Item& item : outcome.items) {
        items.push_back({{"type", item.type},
                         {"inserted", item.inserted ? Json(*item.inserted) : Json(nullptr)}});
    }
    return Json{{"hresult", Hex(outcome.result)},
                {"message", outcome.message},
                {"input", streams.inputName},
                {"output", streams.outputName},
                {"bytesIn", outcome.bytesIn},
                {"bytesOut", outcome.bytesOut},
                {"atriumJobFolder",
                 outcome.atriumJobFolder ? Json(*outcome.atriumJobFolder) : Json(nullptr)},
                {"insertedItems", items},
                {"pagesGivenFeatures", outcome.pagesGivenFeatures},
                {"peakResidentBytes", PeakResidentBytes()}};
}

void WriteSummary(const JobRun::Outcome& outcome, const Streams& streams, std::ostream& summary) {
    std::size_t inserted = 0;
    std::size_t hidden = 0;
    for (const InsertionWitness::Item& item : outcome.items) {
        inserted += item.inserted.value_or(false) ? 1 : 0;
        hidden += item.inserted ? 0 : 1;
    }
    summary << "output: "
            << (outcome.atriumJobFolder ? *outcome.atriumJobFolder + " (Atrium job folder)"
                                        : streams.outputName)
            << "\n"
            << "bytes in: " << outcome.bytesIn << ", bytes out: " << outcome.bytesOut << "\n"
            << "items inserted: " << inserted << " of " << outcome.items.size()
            << (hidden != 0
                    ? " (" + std::to_string(hidden) + " inside the encrypted section, not visible)"
                    : std::string())
            << "\n"
            << "pages given features: " << outcome.pagesGivenFeatures.size() << "\n";
}
}  // namespace

int RunCommand::Run(const RunOptions& options, std::ostream& summary, std::ostream& errors) {
    JobFile job;
    Streams streams;
    try {
        job = JobFile::Load(options.jobFile);
        if (options.programData) {
            job.programData = *options.programData;
        }
        streams = OpenStreams(options, job);
    } catch (const JobFileError& failure) {
        errors << "pdl-stream-filter: " << failure.what() << "\n";
        return kBadInvocation;
    }
    const JobRun::Outcome outcome =
        JobRun::Execute(job, streams.input, streams.inputSeekable, streams.output, errors);
    CloseStreams(streams);
    if (options.report) {
        std::ofstream(std::filesystem::path(*options.report))
            << ReportOf(outcome, streams).dump(2) << "\n";
    }
    if (FAILED(outcome.result)) {
        errors << "pdl-stream-filter: the operation failed with " << Hex(outcome.result) << ": "
               << outcome.message << "\n";
        return kOperationFailed;
    }
    WriteSummary(outcome, streams, streams.output == stdout ? errors : summary);
    return kSucceeded;
}
