// A job of the printer application.
#include "host/printerapp/PrinterAppJob.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "host/account/AccountExplanation.h"
#include "host/cups/CupsOptions.h"
#include "host/job/ClientText.h"
#include "host/job/TextConversion.h"
#include "host/pipeline/JobRun.h"
#include "host/printerapp/PrinterAppConversion.h"
#include "host/printerapp/PrinterAppDevice.h"
#include "host/printerapp/PrinterAppDrivers.h"
#include "host/printerapp/PrinterAppSettings.h"

namespace {
const char* SidesKeyword(pappl_sides_t sides) {
    switch (sides) {
        case PAPPL_SIDES_TWO_SIDED_LONG_EDGE:
            return "two-sided-long-edge";
        case PAPPL_SIDES_TWO_SIDED_SHORT_EDGE:
            return "two-sided-short-edge";
        default:
            return "one-sided";
    }
}

const char* ColourKeyword(pappl_color_mode_t mode) {
    switch (mode) {
        case PAPPL_COLOR_MODE_COLOR:
            return "color";
        case PAPPL_COLOR_MODE_MONOCHROME:
            return "monochrome";
        default:
            return "auto";
    }
}

// Each line of `text` into the job's log.
void Log(pappl_job_t* job, pappl_loglevel_t level, const std::string& text) {
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        papplLogJob(job, level, "%s", line.c_str());
    }
}

// The printer's settings with the job's own: its number, owner, name and options.
JobFile JobOf(pappl_job_t* job, const pappl_pr_options_t& options,
              const PrinterAppDrivers::Driver& driver, const PrinterAppPlaces& places, int copies) {
    pappl_printer_t* printer = papplJobGetPrinter(job);
    JobFile file =
        PrinterAppSettings::Read(places.settingsFolder, papplPrinterGetName(printer), driver.pdl,
                                 places.group.empty() ? nullptr : places.group.c_str())
            .base;
    file.job.id = static_cast<std::uint32_t>(papplJobGetID(job));
    const char* user = papplJobGetUsername(job);
    const char* name = papplJobGetName(job);
    file.job.userName = file.job.samCompatibleName = ClientText::SpoolerName(user ? user : "");
    file.job.documentName = ClientText::SpoolerName(name ? name : "");
    const CupsJobOptions mapped =
        CupsJobOptions::Map(PrinterAppJob::OptionsOf(job, options),
                            {.language = driver.jobControl, .copies = copies, .finished = true});
    for (const std::string& ignored : mapped.ignored) {
        papplLogJob(job, PAPPL_LOGLEVEL_WARN, "%s; it is left out", ignored.c_str());
    }
    mapped.AddTo(file);
    return file;
}

// Polls PAPPL's cancellation for as long as the job runs: the filter may be blocked in a device
// write, so the request must come from another thread.
class CancellationWatch {
  public:
    CancellationWatch(pappl_job_t* job, JobCancellation& cancellation)
        : watcher([this, job, &cancellation] {
              while (!done.load()) {
                  if (papplJobIsCanceled(job)) {
                      cancellation.Cancel();
                      // A device that takes nothing keeps the filter's write, and with it the
                      // job, until the connection ends; the operation is shut down already.
                      papplLogJob(job, PAPPL_LOGLEVEL_INFO,
                                  "Cancelled: the filter's operation is shut down.");
                      return;
                  }
                  std::this_thread::sleep_for(std::chrono::milliseconds(100));
              }
          }) {}
    ~CancellationWatch() {
        done.store(true);
        watcher.join();
    }

  private:
    std::atomic<bool> done{false};
    std::thread watcher;
};
}  // namespace

std::map<std::string, std::string> PrinterAppJob::OptionsOf(pappl_job_t* job,
                                                            const pappl_pr_options_t& options) {
    std::map<std::string, std::string> mapped = {{"sides", SidesKeyword(options.sides)}};
    // PAPPL settles "auto" by the document's colours, which a finished job does not show: only a
    // colour mode the job asked for is the job's.
    if (papplJobGetAttribute(job, "print-color-mode") != nullptr) {
        mapped["print-color-mode"] = ColourKeyword(options.print_color_mode);
    }
    // PAPPL fills the media from the printer's ready media when the job names none; only what
    // the job asked for goes to the filter, as CUPS hands it only the job's own options.
    if (papplJobGetAttribute(job, "media") != nullptr ||
        papplJobGetAttribute(job, "media-col") != nullptr) {
        const std::pair<const char*, const char*> media[] = {{"media", options.media.size_name},
                                                             {"media-source", options.media.source},
                                                             {"media-type", options.media.type}};
        for (const auto& [name, value] : media) {
            if (*value != '\0') {
                mapped[name] = value;
            }
        }
    }
    if (ipp_attribute_t* handling = papplJobGetAttribute(job, "multiple-document-handling")) {
        mapped["multiple-document-handling"] = ippGetString(handling, 0, nullptr);
    }
    for (int i = 0; i < options.num_vendor; ++i) {
        mapped[options.vendor[i].name] = options.vendor[i].value;
    }
    return mapped;
}

namespace {
// Fails the job with `message`, in its log and as its state message.
bool Refuse(pappl_job_t* job, const std::string& message) {
    papplLogJob(job, PAPPL_LOGLEVEL_ERROR, "%s", message.c_str());
    papplJobSetMessage(job, "%s", message.c_str());
    return false;
}

// A cancel that comes just as a job starts makes PAPPL remove the job's document and still hand
// the job over, now processing: that cancel is made again, so that the job ends cancelled rather
// than aborted.
bool HasDocument(pappl_job_t* job) {
    return papplJobGetFilename(job) != nullptr && papplJobGetFormat(job) != nullptr;
}

bool CancelledAsItStarted(pappl_job_t* job) {
    papplLogJob(job, PAPPL_LOGLEVEL_INFO, "the job was cancelled as it started");
    papplJobCancel(job);
    return false;
}
}  // namespace

bool PrinterAppJob::Print(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device) {
    if (!HasDocument(job)) {
        return CancelledAsItStarted(job);
    }
    return PrintFile(job, options, device, papplJobGetFilename(job), papplJobGetFormat(job));
}

bool PrinterAppJob::Filter(pappl_job_t* job, pappl_device_t* device, void*) {
    if (!HasDocument(job)) {
        return CancelledAsItStarted(job);
    }
    pappl_pr_options_t* options = papplJobCreatePrintOptions(job, 0, true);
    const bool printed =
        PrintFile(job, options, device, papplJobGetFilename(job), papplJobGetFormat(job));
    papplJobDeletePrintOptions(options);
    return printed;
}

namespace {
JobRun::Outcome RunFilter(pappl_job_t* job, const JobFile& file, const std::string& path,
                          pappl_device_t* device) {
    std::FILE* input = std::fopen(path.c_str(), "rb");
    if (input == nullptr) {
        throw std::runtime_error("the spooled document cannot be read");
    }
    PrinterAppDevice output(device);
    JobCancellation cancellation;
    std::ostringstream notes;
    JobRun::Outcome outcome;
    {
        const CancellationWatch watch(job, cancellation);
        outcome = JobRun::Execute(file, input, true, output.File(), notes, &cancellation);
    }
    std::fclose(input);
    Log(job, PAPPL_LOGLEVEL_DEBUG, notes.str());
    return outcome;
}
}  // namespace

bool PrinterAppJob::PrintFile(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device,
                              const std::string& path, const std::string& format, bool copiesMade) {
    pappl_pr_driver_data_t data;
    papplPrinterGetDriverData(papplJobGetPrinter(job), &data);
    const auto* places = static_cast<const PrinterAppPlaces*>(data.extension);
    const PrinterAppDrivers::Driver* driver =
        PrinterAppDrivers::Find(papplPrinterGetDriverName(papplJobGetPrinter(job)));
    if (places == nullptr || driver == nullptr) {
        return Refuse(job, "the printer has no cv-PDLStreamFilter driver");
    }
    try {
        JobFile file = JobOf(job, *options, *driver, *places,
                             copiesMade || options->copies < 1 ? 1 : options->copies);
        // A document converted into the printer's language carries page setup code of its own
        // (Ghostscript's page objects); a finished job of that language is the driver's.
        file.keepPageSetup = format != driver->format;
        std::optional<PrinterAppConversion> conversion;
        if (format != driver->format) {
            conversion.emplace(job, path, format, driver->format,
                               options->print_color_mode == PAPPL_COLOR_MODE_MONOCHROME);
        } else if (driver->jobControl == CupsJobOptions::Language::Pdf &&
                   !PrinterAppConversion::BeginsWithPjl(path)) {
            conversion.emplace(job, path, driver->pjlLanguage);
        }
        const JobRun::Outcome outcome =
            RunFilter(job, file, conversion ? conversion->Output() : path, device);
        std::ostringstream account;
        AccountExplanation::Write(outcome.account, account);
        Log(job, PAPPL_LOGLEVEL_INFO, account.str());
        if (FAILED(outcome.result)) {
            return Refuse(
                job, outcome.message.empty()
                         ? "the filter failed with " + TextConversion::HresultText(outcome.result)
                         : outcome.message);
        }
        return true;
    } catch (const std::exception& error) {
        return Refuse(job, error.what());
    }
}
