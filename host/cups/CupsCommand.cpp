// One CUPS job through the filter module: the job file the Windows pipeline would amount to is
// built from the command line, the environment, the PPD and the options, then run as `run` runs
// one.
#include "host/cups/CupsCommand.h"

#include <cups/cups.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <map>
#include <sstream>
#include <string_view>
#include <vector>

#include "FilterPipeline/PDLStreamFilter/CancelledMessage.h"
#include "FilterPipeline/PDLStreamFilter/PdlValue.h"
#include "companion/Utilities/SystemErrorText.h"
#include "host/account/AccountExplanation.h"
#include "host/cups/CupsOptions.h"
#include "host/cups/CupsPrinterSettings.h"
#include "host/job/ClientText.h"
#include "host/job/HostFiles.h"
#include "host/job/TextConversion.h"
#include "host/pipeline/JobRun.h"
#include "host/pipeline/PageCounter.h"
#include "host/pipeline/TerminationWatch.h"
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
    const bool digits = !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
    if (!value && digits) {
        throw CupsJobError("the " + std::string(what) + " " + text + " is out of range: it is " +
                           std::to_string(least) + " to 4294967295");
    }
    if (!value) {
        throw CupsJobError("the " + std::string(what) + " \"" + text + "\" is not a number");
    }
    return static_cast<std::uint32_t>(*value);
}

// The copies the job asks for: a PostScript job can ask for at most the largest integer it holds.
int CopyCount(const std::string& text) {
    constexpr long long kMost = std::numeric_limits<std::int32_t>::max();
    const std::size_t firstDigit = text.size() > 1 && text[0] == '-' ? 1 : 0;
    if (text.empty() || text.find_first_not_of("0123456789", firstDigit) != std::string::npos) {
        throw CupsJobError("the copy count \"" + text + "\" is not a number");
    }
    const auto value = TextConversion::WholeNumber(text, std::numeric_limits<long long>::min(),
                                                   std::numeric_limits<long long>::max());
    if (firstDigit == 1 || (value && *value < 1)) {
        throw CupsJobError("the copy count " + text + " asks for no copy: it must be at least 1");
    }
    if (!value || *value > kMost) {
        throw CupsJobError("the copy count " + text + " is more than the " + std::to_string(kMost) +
                           " copies a job can ask for");
    }
    return static_cast<int>(*value);
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
    if (result == ERROR_BAD_FILE_TYPE) {
        throw CupsJobError("the pass phrase file " + file.string() +
                           " is not a regular file (a symbolic link, a folder or a device)");
    }
    if (result != ERROR_SUCCESS) {
        throw CupsJobError("the pass phrase file " + file.string() + " cannot be read (" +
                           SystemErrorText::Of(result) + ")");
    }
    bytes.resize(read);
    const std::string phrase = HostFiles::FirstLine(bytes);
    const HostFiles::PassPhraseFault fault = HostFiles::FaultOf(phrase);
    if (fault == HostFiles::PassPhraseFault::NotUtf8) {
        throw CupsJobError("the pass phrase file " + file.string() +
                           " holds a pass phrase that is not UTF-8 text");
    }
    if (fault == HostFiles::PassPhraseFault::Blank) {
        throw CupsJobError("the pass phrase file " + file.string() +
                           " holds no pass phrase on its first line: the job would go out in the "
                           "clear");
    }
    return phrase;
}

void AddText(JobFile& job, const char* property, const std::string& text) {
    if (!text.empty()) {
        job.properties.emplace_back(property, text);
    }
}

// What cupsd hands the filter, by the document's type (CONTENT_TYPE): a finished job of the
// printer's language, which reaches the filter first and as it is; a raw job, which the queue must
// still not send past the pass phrase; or a document an earlier filter of the chain made from
// another format, and with it the copies, collation and page size the job asked for.
enum class Document { Finished, Raw, Converted };

Document DocumentOf() {
    const char* type = std::getenv("CONTENT_TYPE");
    if (type == nullptr || *type == '\0' ||
        std::string_view(type) == "application/vnd.cv-pdl-job") {
        return Document::Finished;
    }
    return std::string_view(type) == "application/vnd.cups-raw" ? Document::Raw
                                                                : Document::Converted;
}

// The job's own settings: its options with the queue's defaults, as the printer's language takes
// them. A raw job has none: it goes out as it came, encrypted when the queue says so.
void AddOptions(JobFile& job, const CupsPrinterSettings& printer, const std::string& text,
                CupsJobOptions::Request request, std::ostream& log) {
    request.language = printer.driver.pdl == PdlValue::PclXl ? CupsJobOptions::Language::PclXl
                                                             : CupsJobOptions::Language::PostScript;
    const CupsJobOptions options = CupsJobOptions::Map(
        CupsJobOptions::WithDefaults(ParsedOptions(text), printer.defaults), request);
    for (const std::string& ignored : options.ignored) {
        log << "WARNING: " << ignored << "; it is left out\n";
    }
    if (request.language == CupsJobOptions::Language::PostScript) {
        for (const std::string& setting :
             printer.SettingsWithoutProductCode(options.pageFeatures)) {
            log << "WARNING: the queue's product PDL data has no code for " << setting
                << ": the pages are printed without it\n";
        }
    }
    options.AddTo(job);
}

// What the Windows pipeline would hand the filter for this job.
JobFile JobOf(const std::vector<std::string>& arguments, const CupsPrinterSettings& printer,
              Document document, std::ostream& log) {
    JobFile job;
    job.driver = printer.driver;
    const char* queue = std::getenv("PRINTER");
    job.printer.name = queue != nullptr && *queue != '\0' ? queue : "CUPS";
    job.job.id = Number(arguments[0], "job id", 0);
    job.job.userName = job.job.samCompatibleName = ClientText::SpoolerName(arguments[1]);
    job.job.documentName = ClientText::SpoolerName(arguments[2]);
    const int copies = CopyCount(arguments[3]);
    // CUPS's pstops puts N-up, rotation, scaling and page ranges into the page setup sections, and
    // other applications their page content: every job keeps them, a driver's finished one too
    // (its features then open each section, in front of the driver's own page code).
    job.keepPageSetup = true;
    if (document != Document::Raw) {
        AddOptions(job, printer, arguments[4],
                   {.copies = copies, .finished = document == Document::Finished}, log);
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

CupsPrinterSettings PrinterOf() {
    const char* ppd = std::getenv("PPD");
    if (ppd == nullptr || *ppd == '\0') {
        throw CupsJobError("the queue has no PPD (the environment variable PPD is not set)");
    }
    return CupsPrinterSettings::Read(ppd);
}

// Each line of `text` as a log line of `level`, in one write: the log is an unbuffered standard
// error, and a job's account has a line for each page.
void Log(std::ostream& log, const char* level, const std::string& text) {
    std::istringstream lines(text);
    std::string logged;
    for (std::string line; std::getline(lines, line);) {
        logged.append(level).append(" ").append(line).append("\n");
    }
    log << logged;
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

// The print file CUPS names, or standard input; a FIFO reads as standard input does.
struct PrintFile {
    std::FILE* file = stdin;
    bool seekable = false;

    PrintFile() = default;
    PrintFile(std::FILE* file, bool seekable) : file(file), seekable(seekable) {}
    PrintFile(PrintFile&& other) noexcept : file(other.file), seekable(other.seekable) {
        other.file = stdin;
    }
    PrintFile& operator=(PrintFile&&) = delete;
    ~PrintFile() {
        if (file != stdin) {
            std::fclose(file);
        }
    }
};

PrintFile OpenPrintFile(const std::vector<std::string>& arguments, unsigned closedAtStart) {
    if (arguments.size() == 5) {
        if ((closedAtStart & 1u) != 0) {
            throw CupsJobError("standard input is closed: there is no job to read");
        }
        HostFiles::RefuseStandardStreamsOneFile();
        return {};
    }
    const std::filesystem::path path(arguments[5]);
    HostFiles::RefuseDirectory(path, "print file");
    HostFiles::RefuseStandardStream(1, path, "print file");
    std::FILE* file = HostFiles::Open(path, false);
    if (file == nullptr) {
        throw CupsJobError("the print file " + arguments[5] + " cannot be opened");
    }
    return {file, std::filesystem::is_regular_file(path)};
}

// The filter's message; a failure without one gets the HRESULT.
std::string FailureText(const JobRun::Outcome& outcome) {
    if (outcome.message.empty()) {
        return "the filter failed with " + TextConversion::HresultText(outcome.result);
    }
    return outcome.message;
}

// A cancelled job is reported as cancelled whatever ended it first: cupsd stops the backend with
// the filter, and a write into its gone pipe can fail before the filter has seen the request.
void ReportCancelled(const JobRun::Outcome& outcome, std::ostream& log) {
    const std::string text = FailureText(outcome);
    if (text != kCancelledMessage) {
        log << "DEBUG: as the job was cancelled: " << text << "\n";
    }
    log << "ERROR: " << kCancelledMessage << "\n";
}

// What the print server keeps of the job: the sheets for its page log (pages times the copies
// the printer makes: every copy is the printer's or a run of ours), and a printer state reason
// while the last job failed, so that an administrator sees it on the queue.
void Account(std::ostream& log, bool succeeded, std::uint64_t sheets) {
    if (sheets != 0) {
        log << "PAGE: total " << sheets << "\n";
    }
    log << (succeeded ? "STATE: -" : "STATE: +") << "cv-pdlstreamfilter-job-failed-warning\n";
}

// A raw job on a queue that neither encrypts nor hands jobs to a folder goes out byte for byte,
// once per copy, as the backend would have sent it had no filter been in the way.
bool CopyRaw(const PrintFile& input, int copies, PageCounter& pages) {
    std::vector<char> block(64u << 10);
    for (int copy = 0; copy < copies; ++copy) {
        if (copy > 0 && std::fseek(input.file, 0, SEEK_SET) != 0) {
            return false;
        }
        for (std::size_t got; (got = std::fread(block.data(), 1, block.size(), input.file)) != 0;) {
            if (std::fwrite(block.data(), 1, got, stdout) != got) {
                return false;
            }
            if (copy == 0) {
                pages.Feed(block.data(), got);
            }
        }
        if (std::ferror(input.file) != 0) {
            return false;
        }
    }
    return std::fflush(stdout) == 0;
}

// What the account says of one run, and whether it failed; items the copy never wrote are said
// as warnings, since a job option that silently went missing would print the wrong job.
bool Report(const JobRun::Outcome& outcome, const std::string& notes, std::ostream& log) {
    Log(log, "DEBUG:", notes);
    std::ostringstream account;
    AccountExplanation::Write(outcome.account, account);
    Log(log, "DEBUG:", account.str());
    for (const Json& record : outcome.account) {
        if (record.value("record", "") == "item" && !record.value("inserted", true)) {
            log << "WARNING: " << AccountExplanation::Describe(record) << "\n";
        }
    }
    if (FAILED(outcome.result)) {
        log << "ERROR: " << FailureText(outcome) << "\n";
        return false;
    }
    log << "INFO: " << Summary(outcome) << "\n";
    return true;
}

// The copies of a raw job that the filter must make: the backend makes them only for a job that
// reaches it without a filter. A pipe cannot be read twice.
int RawCopies(const std::vector<std::string>& arguments, const PrintFile& input,
              std::ostream& log) {
    const int copies = CopyCount(arguments[3]);
    if (copies > 1 && !input.seekable) {
        log << "WARNING: the raw job comes through a pipe, which cannot be read twice: one copy "
               "of the "
            << copies << " asked for is printed\n";
        return 1;
    }
    return copies;
}

int RunJob(const std::vector<std::string>& arguments, std::ostream& log, unsigned closedAtStart) {
    static JobCancellation cancellation;
    if (!TerminationWatch::Install(&cancellation,
                                   "ERROR: The job was cancelled while the filter waited for its "
                                   "input or output.\n")) {
        log << "WARNING: a cancelled job will not stop before its end\n";
    }
    if ((closedAtStart & 2u) != 0) {
        throw CupsJobError("standard output is closed: the filtered job has nowhere to go");
    }
    const Document document = DocumentOf();
    const CupsPrinterSettings printer = PrinterOf();
    const JobFile job = JobOf(arguments, printer, document, log);
    const PrintFile input = OpenPrintFile(arguments, closedAtStart);
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const int runs = document == Document::Raw ? RawCopies(arguments, input, log) : 1;
    if (document == Document::Raw && !printer.passPhraseFile && !printer.atriumProgramData) {
        PageCounter pages;
        if (!CopyRaw(input, runs, pages)) {
            throw CupsJobError("the raw job could not be copied to the printer");
        }
        Account(log, true, pages.Pages().value_or(0) * static_cast<std::uint64_t>(runs));
        return CupsCommand::kSucceeded;
    }
    bool succeeded = true;
    std::uint64_t sheets = 0;
    for (int run = 0; run < runs && succeeded; ++run) {
        if (run > 0 && std::fseek(input.file, 0, SEEK_SET) != 0) {
            throw CupsJobError("the raw job cannot be read again for its next copy");
        }
        std::ostringstream notes;
        PageCounter pages;
        const JobRun::Outcome outcome = JobRun::Execute(
            job, input.file, input.seekable, stdout, notes, &cancellation,
            [&pages](const char* bytes, std::size_t count) { pages.Feed(bytes, count); });
        if (FAILED(outcome.result) && (cancellation.Requested() || TerminationWatch::Requested())) {
            ReportCancelled(outcome, log);
            return CupsCommand::kFailed;
        }
        succeeded = Report(outcome, notes.str(), log);
        // A job that failed printed nothing a page log may count.
        sheets += succeeded ? pages.Pages().value_or(0) : 0;
    }
    TerminationWatch::OperationOver();
    const auto copies =
        static_cast<std::uint64_t>(document == Document::Raw ? 1 : CopyCount(arguments[3]));
    Account(log, succeeded, sheets * copies);
    return succeeded ? CupsCommand::kSucceeded : CupsCommand::kFailed;
}
}  // namespace

// cupsd names the filter's process after the queue, so the program's name tells nothing: a filter
// is known by its first argument, a job id where a command has its name. One with too few or too
// many arguments is still a filter's, and gets the filter's usage as an ERROR: line.
bool CupsCommand::IsFilterInvocation(int argc, char** argv) {
    if (argc < 2) {
        return false;
    }
    const std::string_view first = argv[1];
    return !first.empty() && first.find_first_not_of("0123456789") == std::string_view::npos;
}

int CupsCommand::Run(const std::vector<std::string>& arguments, std::ostream& log,
                     unsigned closedAtStart) {
    if (arguments.size() != 5 && arguments.size() != 6) {
        log << "ERROR: usage: pdl-stream-filter cups JOB-ID USER TITLE COPIES OPTIONS [FILE]\n";
        return kFailed;
    }
    // A reader that goes away (a cancelled backend) must fail the write, not kill the program
    // before it can say so.
    std::signal(SIGPIPE, SIG_IGN);
    // Every line a filter writes to cupsd names its kind; a library diagnostic is a DEBUG: line.
    CvSetDiagnosticLinePrefix("DEBUG: ");
    int code = kFailed;
    try {
        code = RunJob(arguments, log, closedAtStart);
    } catch (const std::exception& failure) {
        log << "ERROR: " << failure.what() << "\n";
        Account(log, false, 0);
    }
    // However the job ended (a cancelled one included), a stop request from now on has nothing
    // to wait for and nothing to report.
    TerminationWatch::OperationOver();
    return code;
}
