// Running one job through the filter.
#include "host/commands/RunCommand.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>

#include "host/account/AccountExplanation.h"
#include "host/account/JobReport.h"
#include "host/job/ExitCodes.h"
#include "host/job/HostFiles.h"
#include "host/job/JobFile.h"
#include "host/job/PendingOutput.h"
#include "host/job/TextConversion.h"
#include "host/pipeline/HostWriteStream.h"
#include "host/pipeline/JobRun.h"
#include "host/pipeline/TerminationWatch.h"

namespace {
using Json = nlohmann::ordered_json;

struct Streams {
    std::FILE* input = stdin;
    bool inputSeekable = false;
    std::FILE* output = stdout;
    std::unique_ptr<PendingOutput> outputFile;
    std::string inputName = "standard input";
    std::string outputName = "standard output";
};

struct Paths {
    std::optional<std::filesystem::path> input;
    std::optional<std::filesystem::path> output;
    std::optional<std::filesystem::path> report;
};

// Where the input and the output are: the option, else the job file's, else the standard stream.
std::optional<std::filesystem::path> Choose(const std::optional<std::string>& option,
                                            const std::optional<std::filesystem::path>& fromJob) {
    if (option) {
        return *option == "-" ? std::nullopt : std::optional<std::filesystem::path>(*option);
    }
    return fromJob;
}

// Nothing the run writes may be a file it reads or another file it writes: checked before
// anything is opened for writing.
void RefuseOverlaps(const Paths& paths, const std::filesystem::path& jobFile) {
    if (!paths.input && !paths.output) {
        HostFiles::RefuseStandardStreamsOneFile();
    }
    if (!paths.input && paths.output) {
        HostFiles::RefuseStandardStream(0, *paths.output, "output");
    }
    if (!paths.input && paths.report) {
        HostFiles::RefuseStandardStream(0, *paths.report, "report");
    }
    if (paths.input && !paths.output) {
        HostFiles::RefuseStandardStream(1, *paths.input, "input");
    }
    if (paths.output) {
        if (paths.input) {
            HostFiles::RefuseSameFile(*paths.output, "output", *paths.input, "input");
        }
        HostFiles::RefuseSameFile(*paths.output, "output", jobFile, "job file");
    }
    if (paths.report) {
        if (paths.input) {
            HostFiles::RefuseSameFile(*paths.report, "report", *paths.input, "input");
        }
        if (paths.output) {
            HostFiles::RefuseSameFile(*paths.report, "report", *paths.output, "output");
        }
        HostFiles::RefuseSameFile(*paths.report, "report", jobFile, "job file");
    }
}

// The input is opened (and checked) first; the output is created only once everything else is
// known to be right, so that a bad invocation leaves no output file behind.
Streams OpenStreams(const Paths& paths, const RunOptions& options) {
    Streams streams;
    if (paths.input) {
        streams.inputName = paths.input->string();
        HostFiles::RefuseDirectory(*paths.input, "input");
        streams.input = HostFiles::Open(*paths.input, false);
        if (streams.input == nullptr) {
            throw JobFileError("cannot read the input " + streams.inputName);
        }
        streams.inputSeekable = std::filesystem::is_regular_file(*paths.input);
    } else if (options.standardInputClosed) {
        throw JobFileError("the input is standard input, which is closed");
    }
    if (paths.output) {
        streams.outputName = paths.output->string();
        try {
            streams.outputFile = std::make_unique<PendingOutput>(*paths.output, "output");
        } catch (...) {
            if (streams.input != stdin) {
                std::fclose(streams.input);
            }
            throw;
        }
        streams.output = streams.outputFile->File();
    } else if (options.standardOutputClosed) {
        throw JobFileError("the output is standard output, which is closed");
    }
    // The filter hands over whole blocks; a stdio buffer would only split each of them in two.
    std::setvbuf(streams.output, nullptr, _IONBF, 0);
    return streams;
}

void CloseInput(const Streams& streams) {
    if (streams.input != stdin) {
        std::fclose(streams.input);
    }
}

// A finished job's output is put in place; a failed job's is removed, so that nothing half
// written passes for a job. Standard output streams as it goes.
bool PlaceOutput(Streams& streams, bool succeeded) {
    if (!streams.outputFile) {
        return std::fflush(stdout) == 0 || !succeeded;
    }
    if (!succeeded) {
        streams.outputFile->Discard();
        return true;
    }
    return streams.outputFile->Commit();
}

void WriteSummary(const JobRun::Outcome& outcome, const Streams& streams, std::ostream& summary) {
    const AccountExplanation::Tally tally = AccountExplanation::Count(outcome.account);
    const Json folder = JobReport::AtriumJobFolder(outcome.account);
    summary << "output: "
            << (folder.is_string() ? folder.get<std::string>() + " (Atrium job folder)"
                                   : streams.outputName)
            << "\n"
            << "bytes in: " << outcome.bytesIn << ", bytes out: " << outcome.bytesOut << "\n"
            << "items inserted: " << tally.inserted << " of " << tally.items
            << (tally.encryptedItems != 0
                    ? " (" + std::to_string(tally.encryptedItems) + " inside the encrypted section)"
                    : std::string())
            << "\n"
            << "pages given features: " << tally.pagesWithFeatures << "\n";
}

// The report is written whole or not at all, and a report that cannot be written says so: the
// run's account must not silently go missing.
bool WriteReport(const std::filesystem::path& path, const Json& report) {
    const std::string text =
        report.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
    try {
        PendingOutput file(path, "report");
        return std::fwrite(text.data(), 1, text.size(), file.File()) == text.size() &&
               file.Commit();
    } catch (const JobFileError&) {
        return false;
    }
}
}  // namespace

int RunCommand::Run(const RunOptions& options, std::ostream& summary, std::ostream& errors) {
    JobFile job;
    Streams streams;
    Paths paths;
    try {
        job = JobFile::Load(options.jobFile);
        if (options.programData) {
            job.programData = *options.programData;
        }
        paths = {
            Choose(options.input, job.input), Choose(options.output, job.output),
            options.report ? std::optional<std::filesystem::path>(*options.report) : std::nullopt};
        RefuseOverlaps(paths, options.jobFile);
        streams = OpenStreams(paths, options);
    } catch (const JobFileError& failure) {
        errors << "pdl-stream-filter: " << failure.what() << "\n";
        return ExitCode::kBadInvocation;
    }
    JobRun::Outcome outcome = JobRun::Execute(job, streams.input, streams.inputSeekable,
                                              streams.output, errors, options.cancellation);
    TerminationWatch::OperationOver();
    CloseInput(streams);
    // A job handed to an Atrium folder sends nothing down the pipeline: an output file that exists
    // stays as it was rather than be replaced by nothing.
    const bool handedOff = JobReport::AtriumJobFolder(outcome.account).is_string();
    if (!PlaceOutput(streams, SUCCEEDED(outcome.result) && !handedOff)) {
        outcome.result = HostWriteStream::kWriteFault;
        outcome.message = "the output " + streams.outputName + " could not be written completely";
    }
    int code = FAILED(outcome.result) ? ExitCode::kOperationFailed : ExitCode::kSucceeded;
    if (code == ExitCode::kOperationFailed) {
        errors << "pdl-stream-filter: the operation failed with "
               << TextConversion::HresultText(outcome.result) << ": " << outcome.message << "\n";
    }
    if (paths.report && !WriteReport(*paths.report, JobReport::Of(outcome, streams.inputName,
                                                                  streams.outputName))) {
        errors << "pdl-stream-filter: cannot write the report " << paths.report->string() << "\n";
        code = ExitCode::kOperationFailed;
    }
    std::ostream& people = streams.output == stdout ? errors : summary;
    if (code == ExitCode::kSucceeded) {
        WriteSummary(outcome, streams, people);
    }
    if (options.explain) {
        AccountExplanation::Write(outcome.account, people);
    }
    return code;
}
