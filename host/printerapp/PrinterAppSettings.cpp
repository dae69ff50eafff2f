// A printer's settings file.
#include "host/printerapp/PrinterAppSettings.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>
#include <string_view>

#include <nlohmann/json.hpp>

#include "companion/Utilities/SystemErrorText.h"
#include "host/job/HostFiles.h"
#include "seam/Win32Seam.h"

std::filesystem::path PrinterAppSettings::FileOf(const std::filesystem::path& folder,
                                                 const std::string& name) {
    std::string file;
    for (const char c : name) {
        const bool plain = std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' ||
                           c == '_' || (c == '.' && !file.empty());
        if (plain) {
            file.push_back(c);
            continue;
        }
        char escaped[4];
        std::snprintf(escaped, sizeof escaped, "%%%02X", static_cast<unsigned char>(c));
        file += escaped;
    }
    return folder / (file + ".json");
}

namespace {
// The pipeline properties that are a printer's own; every other one (the print-ready file, the
// page count, a page's features) belongs to one job and comes with it.
constexpr std::string_view kPrintersOwnProperties[] = {
    "PDLEncryptionPassPhrase",
    "Corvo_PjlToInsert",
    "Corvo_PclmCustomTicketToInsert",
    "Corvo_JobLevelPsToInsert",
    "Corvo_JobLevelPsCommentsToInsert",
    "RemoveNativeStaplingFlag",
    "LegacyGreenFax",
    "Corvo_QcptForNonXps",
    "Corvo_QcptForXps",
};
constexpr std::string_view kPassPhrase = "PDLEncryptionPassPhrase";

// Why the settings file at `path` was not read, as CvReadPrivateFile's `result` and `reason` say.
void ThrowIfUnread(const std::filesystem::path& path, DWORD result, const char* reason) {
    if (result == ERROR_ACCESS_DENIED && reason[0] != '\0') {
        throw PrinterAppSettingsError("the settings file " + path.string() +
                                      " is refused: " + reason + "; only its owner may read it");
    }
    if (result == ERROR_BAD_FILE_TYPE) {
        throw PrinterAppSettingsError("the settings file " + path.string() +
                                      " is not a regular file (a symbolic link, a folder or a "
                                      "device)");
    }
    if (result == ERROR_FILE_TOO_LARGE) {
        throw PrinterAppSettingsError("the settings file " + path.string() + " is larger than " +
                                      std::to_string(HostFiles::kJobFileLimit) + " bytes");
    }
    if (result != ERROR_SUCCESS) {
        throw PrinterAppSettingsError("the settings file " + path.string() + " cannot be read (" +
                                      SystemErrorText::Of(result) + ")");
    }
}

// The file's text, read into a buffer of its size; none when there is no file. A file that grows
// between the look at its size and the read is looked at again.
std::optional<std::string> ReadPrivate(const std::filesystem::path& path, const char* group) {
    std::string bytes;
    for (int attempt = 0; attempt < 3; ++attempt) {
        DWORD read = 0;
        char reason[128] = {};
        const DWORD result =
            CvReadPrivateFile(path.c_str(), group, bytes.empty() ? nullptr : bytes.data(),
                              static_cast<DWORD>(bytes.size()), &read, reason, sizeof reason);
        if (result == ERROR_FILE_NOT_FOUND || result == ERROR_PATH_NOT_FOUND) {
            return std::nullopt;
        }
        if (result == ERROR_FILE_TOO_LARGE && read > bytes.size() &&
            read <= HostFiles::kJobFileLimit) {
            bytes.assign(read, '\0');
            continue;
        }
        ThrowIfUnread(path, result, reason);
        bytes.resize(read);
        return bytes;
    }
    throw PrinterAppSettingsError("the settings file " + path.string() +
                                  " changes while it is read");
}

// Whether the settings give a "job" of their own (the text parsed as a job file already).
bool NamesJob(const std::string& text) {
    return nlohmann::json::parse(text).contains("job");
}

// Whether the settings' "driver" object gives a "pdl" (the text parsed as a job file already).
bool NamesPdl(const std::string& text) {
    const nlohmann::json settings = nlohmann::json::parse(text);
    const auto driver = settings.find("driver");
    return driver != settings.end() && driver->is_object() && driver->contains("pdl");
}

// A pass phrase that is no text, or blank text, would send every job in the clear; so would any
// property of a job given here for every job of the printer.
void RefuseJobsOwnOrUnusableProperties(const JobFile& base, const std::filesystem::path& path) {
    for (const auto& [name, value] : base.properties) {
        if (std::find(std::begin(kPrintersOwnProperties), std::end(kPrintersOwnProperties), name) ==
            std::end(kPrintersOwnProperties)) {
            throw PrinterAppSettingsError("the settings file " + path.string() + " names \"" +
                                          name + "\", which each job brings itself");
        }
        const std::string* text = std::get_if<std::string>(&value);
        if (name == kPassPhrase &&
            (text == nullptr || HostFiles::FaultOf(*text) != HostFiles::PassPhraseFault::None)) {
            throw PrinterAppSettingsError("the settings file " + path.string() +
                                          ": its pass phrase is not a text with more than blanks");
        }
    }
}

// A JSON parse error quotes what it read last, which may be part of the pass phrase: the
// message goes to the job's log, its state message and the web interface.
std::string WithoutContent(const std::string& message) {
    const std::size_t quoted = message.find("; last read:");
    return quoted == std::string::npos ? message : message.substr(0, quoted);
}
}  // namespace

PrinterAppSettings PrinterAppSettings::Read(const std::filesystem::path& folder,
                                            const std::string& name, std::int32_t pdl,
                                            const char* group) {
    const std::filesystem::path path = FileOf(folder, name);
    const std::optional<std::string> read = ReadPrivate(path, group);
    const std::string text = read.value_or("");
    if (read && text.empty()) {
        throw PrinterAppSettingsError("the settings file " + path.string() +
                                      " is empty: it holds no settings, not even {}");
    }
    PrinterAppSettings settings;
    if (!text.empty()) {
        try {
            settings.base = JobFile::Parse(text, folder);
        } catch (const JobFileError& error) {
            throw PrinterAppSettingsError("the settings file " + path.string() + ": " +
                                          WithoutContent(error.what()));
        }
    }
    JobFile& base = settings.base;
    RefuseJobsOwnOrUnusableProperties(base, path);
    if (base.input || base.output || base.everyPageFeatures || !base.clientJobData.empty() ||
        (!text.empty() && NamesJob(text))) {
        throw PrinterAppSettingsError("the settings file " + path.string() +
                                      " names an input, an output or a job's own settings: "
                                      "each job brings its own");
    }
    // The driver's values without a pdl of their own are the printer's driver's.
    if (base.driver && !NamesPdl(text)) {
        base.driver->pdl = pdl;
    }
    if (base.driver && base.driver->pdl != pdl) {
        throw PrinterAppSettingsError("the settings file " + path.string() + " says pdl " +
                                      std::to_string(base.driver->pdl) +
                                      ", but the printer's driver speaks " + std::to_string(pdl));
    }
    if (!base.driver) {
        base.driver = JobFile::Driver{.pdl = pdl};
    }
    base.printer.name = name;
    return settings;
}
