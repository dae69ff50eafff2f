// pdl-stream-filter: plays the print pipeline manager for the filter module on the command line.
#include <CLI/CLI.hpp>

#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "ActivationProbe.h"
#if !defined(_WIN32)
#include "CupsCommand.h"
#endif
#include "DecryptCommand.h"
#include "FilterModule.h"
#include "RunCommand.h"
#include "TerminationWatch.h"
#include "TextConversion.h"
#include "cv-version.h"

namespace {
int RunProbe(const std::string& modulePath) {
    const auto path = modulePath.empty() ? FilterModule::PathBesideExecutable()
                                         : TextConversion::FromUtf8(modulePath);
    std::cout << "module " << TextConversion::ToUtf8(path) << "\n";
    const FilterModule module(path);
    return ActivationProbe(module).Run(std::cout) ? 0 : 1;
}

// Job streams are bytes: no line-end translation on the standard streams.
void UseBinaryStandardStreams() {
#if defined(_WIN32)
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
}

// A closed standard descriptor would be taken by the next file opened, and a diagnostic meant for
// standard error would land in a print stream: each closed one gets the null device instead.
unsigned KeepStandardDescriptorsTaken() {
#if defined(_WIN32)
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    return input == nullptr || input == INVALID_HANDLE_VALUE ? 1u : 0u;
#else
    return CvOpenClosedStandardDescriptors();
#endif
}
}  // namespace

int main(int argc, char** argv) {
    const unsigned closedAtStart = KeepStandardDescriptorsTaken();
    UseBinaryStandardStreams();
#if !defined(_WIN32)
    if (CupsCommand::IsFilterInvocation(argc, argv)) {
        return CupsCommand::Run(std::vector<std::string>(argv + 1, argv + argc), std::cerr,
                                closedAtStart);
    }
#endif
    CLI::App app{"Runs print jobs through the PDL stream filter module."};
    app.set_version_flag("--version", "pdl-stream-filter " CV_VERSION_TEXT);
    app.require_subcommand(1);

    RunOptions run;
    CLI::App* runCommand = app.add_subcommand("run", "Run one job through the filter.");
    runCommand->add_option("--job", run.jobFile, "The job file (JSON)")->required();
    runCommand->add_option("--input", run.input, "The job stream to filter; - for standard input");
    runCommand->add_option("--output", run.output,
                           "Where the filtered job goes; - for standard output");
    runCommand->add_option("--report", run.report, "Write a JSON report of the run here");
    runCommand->add_option("--program-data", run.programData,
                           "The common application data folder (Linux)");
    runCommand->add_flag("--explain", run.explain,
                         "Print what the filter did, a line per decision with its output offset");

    DecryptOptions decrypt;
    CLI::App* decryptCommand =
        app.add_subcommand("decrypt", "Replace the encrypted sections of a filter output.");
    auto* phrase =
        decryptCommand->add_option("--pass-phrase", decrypt.passPhrase, "The pass phrase");
    auto* phraseFile = decryptCommand->add_option("--pass-phrase-file", decrypt.passPhraseFile,
                                                  "A file whose first line is the pass phrase");
    phrase->excludes(phraseFile);
    decryptCommand->add_option("--input", decrypt.input, "The filter output; - for standard input");
    decryptCommand->add_option("--output", decrypt.output,
                               "The decrypted job; - for standard output");

#if !defined(_WIN32)
    std::vector<std::string> cupsArguments;
    CLI::App* cups = app.add_subcommand(
        "cups",
        "Run as a CUPS filter: JOB-ID USER TITLE COPIES OPTIONS [FILE], the PPD from $PPD.");
    cups->add_option("arguments", cupsArguments, "The filter's arguments as CUPS gives them")
        ->expected(5, 6)
        ->required();
#endif

    std::string modulePath;
    CLI::App* probe = app.add_subcommand(
        "probe", "Load the filter module and activate its filter as the pipeline manager does.");
    probe->add_option("--module", modulePath,
                      "The filter module to load (default: the one beside this program)");
    try {
        app.parse(argc, argv);
        if (decryptCommand->parsed() && !decrypt.passPhrase && !decrypt.passPhraseFile) {
            throw CLI::RequiredError("--pass-phrase or --pass-phrase-file");
        }
    } catch (const CLI::ParseError& error) {
        const int code = app.exit(error);
        return code == 0 ? 0 : RunCommand::kBadInvocation;
    }
    run.standardInputClosed = decrypt.standardInputClosed = (closedAtStart & 1u) != 0;
    run.standardOutputClosed = decrypt.standardOutputClosed = (closedAtStart & 2u) != 0;
    try {
        if (runCommand->parsed()) {
            static JobCancellation cancellation;
            run.cancellation = &cancellation;
            TerminationWatch::Install(&cancellation,
                                      "pdl-stream-filter: stopped while the job waited for its "
                                      "input or output; no output file was kept\n");
            return RunCommand::Run(run, std::cout, std::cerr);
        }
        if (decryptCommand->parsed()) {
            TerminationWatch::Install(nullptr,
                                      "pdl-stream-filter: stopped before the decryption ended; "
                                      "no output file was kept\n");
            return DecryptCommand::Run(decrypt, std::cerr);
        }
#if !defined(_WIN32)
        if (cups->parsed()) {
            return CupsCommand::Run(cupsArguments, std::cerr, closedAtStart);
        }
#endif
        return RunProbe(modulePath);
    } catch (const std::exception& failure) {
        std::cerr << "pdl-stream-filter: " << failure.what() << "\n";
        return 1;
    }
}
