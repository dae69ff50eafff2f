// One CUPS job through the filter module: the job file the Windows pipeline would amount to is
// built from the command line, the environment, the PPD and the options, then run as `run` runs
// one.
#include "CupsCommand.h"

#include <cups/cups.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>

#include "AccountExplanation.h"
#include "CupsOptions.h"
#include "CupsPrinterSettings.h"
#include "HostFiles.h"
#include "JobRun.h"
#include "TextConversion.h"
#include "seam/Win32Seam.h"

namespace {
using Json = nlohmann::ordered_json;

// A job CUPS gave us that cannot be run; the message is the "ERROR:" line.
class CupsJobError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

std::uint32_t Number(const std::string& text, const char* what, std::uint32_t least) {
    const auto value = TextConversion::WholeNumber(text, least, 0xFFFFFFFFll);
    if (!value) {
        throw CupsJobError("the " + std::string(what) + " \"" + text + "\" is not a number");
    }
    return static_cast<std::uint32_t>(*value);
}

std::map<std::string, std::string> ParsedOptions(const std::string& text) {
    cups_option_t* options = nullptr;
    const int count = cupsParseOptions(text.c_str(), 0, &options);
    std::map<std::string, std::string> parsed;
    for (int i = 0; i < count; ++i) {
        parsed[options[i].name] = options[i].value != nullptr ? options[i].value : "";
    }
    cupsFreeOptions(count, options);
    return parsed;
}

// The first line of the queue's pass phrase file, which only root and the print service may read.
std::string PassPhrase(const std::filesystem::path& file) {
    std::string bytes(HostFiles::kPassPhraseFileLimit, '\0');
    DWORD read = 0;
    char reason[128] = {};
    const DWORD result =
        CvReadPrivateFile(file.c_str(), "lp", bytes.data(), static_cast<DWORD>(bytes.size()), &read,
                          reason, sizeof reason);
    if (result == ERROR_ACCESS_DENIED && reason[0] != '\0') {
        throw CupsJobError("the pass phrase file " + file.string() + " is refused: " + reason +
                           "; it must be readable by root and the lp group only");
    }
    if (result != ERROR_SUCCESS) {
        throw CupsJobError("the pass phrase file " + file.string() + " cannot be read (error " +
                           std::to_string(result) + ")");
    }
    bytes.resize(read);
    return HostFiles::FirstLine(bytes);
}

void AddText(JobFile& job, const char* property, const std::string& text) {
    if (!text.empty()) {
        job.properties.emplace_back(property, text);
    }
}

// What the Windows pipeline would hand the filter for this job.
JobFile JobOf(const std::vector<std::string>& arguments, std::ostream& log) {
    const char* ppd = std::getenv("PPD");
    if (ppd == nullptr || *ppd == '\0') {
        throw CupsJobError("the queue has no PPD (the environment variable PPD is not set)");
    }
    const CupsPrinterSettings printer = CupsPrinterSettings::Read(ppd);
    JobFile job;
    job.driver = printer.driver;
    const char* queue = std::getenv("PRINTER");
    job.printer.name = queue != nullptr && *queue != '\0' ? queue : "CUPS";
    job.job.id = Number(arguments[0], "job id", 0);
    job.job.userName = job.job.samCompatibleName = arguments[1];
    job.job.documentName = arguments[2];
    const CupsJobOptions options =
        CupsJobOptions::Map(ParsedOptions(arguments[4]), Number(arguments[3], "copy count", 1));
    for (const std::string& ignored : options.ignored) {
        log << "WARNING: " << ignored << "; it is left out\n";
    }
    AddText(job, "Corvo_PjlToInsert", options.pjl);
    AddText(job, "Corvo_JobLevelPsToInsert", options.jobLevelPs);
    AddText(job, "Corvo_JobLevelPsCommentsToInsert", options.jobLevelPsComments);
    if (options.removeStapling) {
        job.properties.emplace_back("RemoveNativeStaplingFlag", nullptr);
    }
    if (!options.pageFeatures.empty()) {
        job.everyPageFeatures = options.pageFeatures;
    }
    if (printer.passPhraseFile) {
        AddText(job, "PDLEncryptionPassPhrase", PassPhrase(*printer.passPhraseFile));
    }
    if (printer.atriumProgramData) {
        job.printer.printerData["UseCorvoAtrium"] = 1;
        job.programData = printer.atriumProgramData;
    }
    return job;
}

// Each line of `text` as a log line of `level`.
void Log(std::ostream& log, const char* level, const std::string& text) {
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        log << level << " " << line << "\n";
    }
}

std::string Summary(const JobRun::Outcome& outcome) {
    const AccountExplanation::Tally tally = AccountExplanation::Count(outcome.account);
    std::string handedOff;
    for (const Json& record : outcome.account) {
        if (record.value("record", "") == "atrium") {
            handedOff = ", handed to the Atrium job folder " + record.value("jobFolder", "");
        }
    }
    return "cv-PDLStreamFilter: " + std::to_string(tally.inserted) + " of " +
           std::to_string(tally.items) + " items inserted, " +
           std::to_string(tally.pagesWithFeatures) + " pages given features, " +
           std::to_string(tally.encryptedSections) + " encrypted sections, " +
           AccountExplanation::Grouped(outcome.bytesIn) + " bytes in, " +
           AccountExplanation::Grouped(outcome.bytesOut) + " bytes out" + handedOff;
}

void CancelJob(void* cancellation) {
    static_cast<JobCancellation*>(cancellation)->Cancel();
}

int RunJob(const std::vector<std::string>& arguments, std::ostream& log) {
    static JobCancellation cancellation;
    if (!CvCallOnTerminationRequest(CancelJob, &cancellation)) {
        log << "WARNING: a cancelled job will not stop before its end\n";
    }
    const JobFile job = JobOf(arguments, log);
    std::FILE* input = stdin;
    if (arguments.size() == 6) {
        input = HostFiles::Open(arguments[5], false);
        if (input == nullptr) {
            throw CupsJobError("the job file " + arguments[5] + " cannot be opened");
        }
    }
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::ostringstream notes;
    const JobRun::Outcome outcome =
        JobRun::Execute(job, input, input != stdin, stdout, notes, &cancellation);
    if (input != stdin) {
        std::fclose(input);
    }
    Log(log, "DEBUG:", notes.str());
    std::ostringstream account;
    AccountExplanation::Write(outcome.account, account);
    Log(log, "DEBUG:", account.str());
    if (FAILED(outcome.result)) {
        log << "ERROR: " << (outcome.message.empty() ? "the filter failed" : outcome.message)
            << "\n";
        return CupsCommand::kFailed;
    }
    log << "INFO: " << Summary(outcome) << "\n";
    return CupsCommand::kSucceeded;
}
}  // namespace

bool CupsCommand::IsFilterInvocation(int argc, char** argv) {
    if (argc != 6 && argc != 7) {
        return false;
    }
    const std::string name = std::filesystem::path(argv[0]).filename().string();
    return name != "pdl-stream-filter" && name != "pdl-stream-filter.exe";
}

int CupsCommand::Run(const std::vector<std::string>& arguments, std::ostream& log) {
    if (arguments.size() != 5 && arguments.size() != 6) {
        log << "ERROR: usage: pdl-stream-filter cups JOB-ID USER TITLE COPIES OPTIONS [FILE]\n";
        return kFailed;
    }
    try {
        return RunJob(arguments, log);
    } catch (const std::exception& failure) {
        log << "ERROR: " << failure.what() << "\n";
        return kFailed;
    }
}
