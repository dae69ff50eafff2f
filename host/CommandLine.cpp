// The host's subcommands.
#include "host/CommandLine.h"

#include <exception>
#include <iostream>

#include "cv-version.h"
#include "host/commands/ProbeCommand.h"
#include "host/job/ExitCodes.h"
#include "host/pipeline/JobCancellation.h"
#include "host/pipeline/TerminationWatch.h"
#if !defined(_WIN32)
#include "host/cups/CupsCommand.h"
#endif

namespace {
// An empty path names no file: refused at once, before a job runs that could go nowhere.
const CLI::Validator kSomePath(
    [](const std::string& path) {
        return path.empty() ? std::string("an empty path names no file") : std::string();
    },
    "PATH");
}  // namespace

CommandLine::CommandLine(unsigned closedAtStart) : closedAtStart(closedAtStart) {
    app.set_version_flag("--version", "pdl-stream-filter " CV_VERSION_TEXT);
    app.require_subcommand(1);
    AddRun();
    AddDecrypt();
    AddCups();
    AddProbe();
}

void CommandLine::AddRun() {
    runCommand = app.add_subcommand("run", "Run one job through the filter.");
    runCommand->add_option("--job", run.jobFile, "The job file (JSON)")
        ->required()
        ->check(kSomePath);
    runCommand->add_option("--input", run.input, "The job stream to filter; - for standard input")
        ->check(kSomePath);
    runCommand
        ->add_option("--output", run.output, "Where the filtered job goes; - for standard output")
        ->check(kSomePath);
    runCommand->add_option("--report", run.report, "Write a JSON report of the run here")
        ->check(kSomePath);
    runCommand
        ->add_option("--program-data", run.programData,
                     "The common application data folder (Linux)")
        ->check(kSomePath);
    runCommand->add_flag("--explain", run.explain,
                         "Print what the filter did, a line per decision with its output offset");
}

void CommandLine::AddDecrypt() {
    decryptCommand =
        app.add_subcommand("decrypt", "Replace the encrypted sections of a filter output.");
    auto* phrase =
        decryptCommand->add_option("--pass-phrase", decrypt.passPhrase, "The pass phrase");
    auto* phraseFile = decryptCommand
                           ->add_option("--pass-phrase-file", decrypt.passPhraseFile,
                                        "A file whose first line is the pass phrase")
                           ->check(kSomePath);
    phrase->excludes(phraseFile);
    decryptCommand->add_option("--input", decrypt.input, "The filter output; - for standard input")
        ->check(kSomePath);
    decryptCommand
        ->add_option("--output", decrypt.output, "The decrypted job; - for standard output")
        ->check(kSomePath);
}

// Only where libcups is: a Windows build has no CUPS filter to be.
void CommandLine::AddCups() {
#if !defined(_WIN32)
    cupsCommand = app.add_subcommand(
        "cups",
        "Run as a CUPS filter: JOB-ID USER TITLE COPIES OPTIONS [FILE], the PPD from $PPD.");
    cupsCommand->add_option("arguments", cupsArguments, "The filter's arguments as CUPS gives them")
        ->expected(5, 6)
        ->required();
#endif
}

void CommandLine::AddProbe() {
    CLI::App* probe = app.add_subcommand(
        "probe", "Load the filter module and activate its filter as the pipeline manager does.");
    probe->add_option("--module", modulePath,
                      "The filter module to load (default: the one beside this program)");
}

int CommandLine::Run(int argc, char** argv) {
    try {
        app.parse(argc, argv);
        if (decryptCommand->parsed() && !decrypt.passPhrase && !decrypt.passPhraseFile) {
            throw CLI::RequiredError("--pass-phrase or --pass-phrase-file");
        }
    } catch (const CLI::ParseError& error) {
        const int code = app.exit(error);
        return code == 0 ? ExitCode::kSucceeded : ExitCode::kBadInvocation;
    }
    run.standardInputClosed = decrypt.standardInputClosed = (closedAtStart & 1u) != 0;
    run.standardOutputClosed = decrypt.standardOutputClosed = (closedAtStart & 2u) != 0;
    try {
        return Dispatch();
    } catch (const std::exception& failure) {
        std::cerr << "pdl-stream-filter: " << failure.what() << "\n";
        return ExitCode::kOperationFailed;
    }
}

int CommandLine::Dispatch() {
    if (runCommand->parsed()) {
        static JobCancellation cancellation;
        run.cancellation = &cancellation;
        TerminationWatch::Install(&cancellation,
                                  "pdl-stream-filter: stopped while the job waited for its "
                                  "input or output; no output file was kept\n");
        const int code = RunCommand::Run(run, std::cout, std::cerr);
        TerminationWatch::OperationOver();
        return code;
    }
    if (decryptCommand->parsed()) {
        TerminationWatch::Install(nullptr,
                                  "pdl-stream-filter: stopped before the decryption ended; "
                                  "no output file was kept\n");
        return DecryptCommand::Run(decrypt, std::cerr);
    }
#if !defined(_WIN32)
    if (cupsCommand->parsed()) {
        return CupsCommand::Run(cupsArguments, std::cerr, closedAtStart);
    }
#endif
    return ProbeCommand::Run(modulePath, std::cout);
}
