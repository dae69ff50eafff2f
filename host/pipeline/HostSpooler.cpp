// Spooler facts for a job run from the command line.
#include "host/pipeline/HostSpooler.h"

#include <algorithm>

#include "companion/Utilities/Printer.h"
#include "host/job/TextConversion.h"

namespace {
// The spooler's texts end at their first U+0000: one inside a name would cut it short, so it
// becomes U+FFFD, as an XML document takes none either.
std::basic_string<WCHAR> Wide(const std::string& text) {
    std::basic_string<WCHAR> wide = TextConversion::FromUtf8(text);
    std::replace(wide.begin(), wide.end(), WCHAR{0}, WCHAR{0xFFFD});
    return wide;
}
}  // namespace

HostSpooler::HostSpooler(const JobFile& job) {
    UseProgramDataFolder(job);
    DefineSpoolerFacts(job);
    OpenQueue(job.printer.name);
    CreateUserToken(job);
}

HostSpooler::~HostSpooler() {
    if (printer != nullptr) {
        ClosePrinter(printer);
    }
    if (token != nullptr) {
        CloseHandle(token);
    }
}

void HostSpooler::OpenQueue(const std::string& name) {
    std::basic_string<WCHAR> printerName = Wide(name);
    if (OpenPrinterW(printerName.data(), &printer, nullptr) == FALSE) {
        printer = nullptr;
        notes.push_back("the spooler has no printer \"" + name +
                        "\": the job runs without printer, job record and printer data");
    }
}

#if defined(_WIN32)
void HostSpooler::DefineSpoolerFacts(const JobFile& job) {
    if (job.printer.separatorPageSelected || !job.printer.printerData.empty() ||
        !job.job.documentName.empty() || !job.job.userName.empty() ||
        (job.driver && !job.driver->extensionPackageFolder.empty())) {
        notes.push_back(
            "printer settings, the job record and the driver's folder come from the Windows "
            "spooler: the job file's are not used");
    }
}

void HostSpooler::UseProgramDataFolder(const JobFile& job) {
    if (job.programData) {
        notes.push_back(
            "\"programData\" is not used on Windows: the filter uses the machine's "
            "common application data folder");
    }
}

// The host's own user, as an impersonation token: on Windows the user is whoever runs the host.
void HostSpooler::CreateUserToken(const JobFile& job) {
    if (!job.job.samCompatibleName.empty()) {
        notes.push_back("\"job.samCompatibleName\" is not used on Windows: the job runs as " +
                        std::string("the user who runs this program"));
    }
    HANDLE process = nullptr;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY, &process) == FALSE) {
        return;
    }
    if (DuplicateTokenEx(process, TOKEN_IMPERSONATE | TOKEN_QUERY, nullptr, SecurityImpersonation,
                         TokenImpersonation, &token) == FALSE) {
        token = nullptr;
    }
    CloseHandle(process);
}
#else
void HostSpooler::UseProgramDataFolder(const JobFile& job) {
    if (job.programData) {
        CvSetProgramDataFolder(job.programData->string().c_str());
    }
}

void HostSpooler::DefineSpoolerFacts(const JobFile& job) {
    const std::basic_string<WCHAR> name = Wide(job.printer.name);
    const std::basic_string<WCHAR> separator =
        job.printer.separatorPageSelected ? Wide("sysprint.sep") : std::basic_string<WCHAR>();
    CvSpoolerDefinePrinter(name.c_str(), separator.c_str());
    for (const auto& [valueName, value] : job.printer.printerData) {
        CvSpoolerSetPrinterDataDword(name.c_str(),
                                     Printer::GetPrinterDriverDataKeyName().GetString(),
                                     Wide(valueName).c_str(), value);
    }
    CvSpoolerDefineJob(name.c_str(), job.job.id, Wide(job.job.documentName).c_str(),
                       Wide(job.job.userName).c_str());
    if (job.driver && !job.driver->extensionPackageFolder.empty()) {
        const std::string dataFile =
            job.driver->extensionPackageFolder + "\\" + kDriverDataFileName;
        CvSpoolerSetPrinterDriver(name.c_str(), Wide("cv-PDLStreamFilter v4 driver").c_str(),
                                  Wide(dataFile).c_str());
    }
}

void HostSpooler::CreateUserToken(const JobFile& job) {
    if (!job.job.samCompatibleName.empty()) {
        token = CvCreateUserToken(Wide(job.job.samCompatibleName).c_str());
    }
}
#endif
