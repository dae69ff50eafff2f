// The printer application's system.
#include "host/printerapp/PrinterAppSystem.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "companion/Utilities/SystemErrorText.h"
#include "cvplatform/PrintService.h"
#include "cvplatform/Spooler.h"
#include "host/printerapp/PrinterAppAddPage.h"
#include "host/printerapp/PrinterAppDrivers.h"
#include "host/printerapp/PrinterAppJob.h"
#include "host/printerapp/PrinterAppSettings.h"
#include "host/printerapp/PrinterAppState.h"

namespace {
constexpr int kDefaultPort = 8631;

std::string OptionOr(int count, cups_option_t* options, const char* name, const char* otherwise) {
    const char* value = cupsGetOption(name, count, options);
    return value != nullptr ? value : otherwise;
}

pappl_loglevel_t LogLevel(const std::string& name) {
    if (name == "debug") {
        return PAPPL_LOGLEVEL_DEBUG;
    }
    if (name == "warn") {
        return PAPPL_LOGLEVEL_WARN;
    }
    return name == "error" ? PAPPL_LOGLEVEL_ERROR : PAPPL_LOGLEVEL_INFO;
}

// The state, spool and settings folders, private to the application's user.
bool MakeFolders(const std::filesystem::path& state) {
    std::error_code error;
    for (const auto& folder : {state, state / "spool", state / "printers"}) {
        std::filesystem::create_directories(folder, error);
        std::filesystem::permissions(folder, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::replace, error);
        if (!std::filesystem::is_directory(folder)) {
            std::fprintf(stderr, "cv-printer-app: cannot make the folder %s\n", folder.c_str());
            return false;
        }
    }
    return true;
}
// PDF and PostScript for every printer of another language, through Ghostscript.
void AddConversions(pappl_system_t* system) {
    for (const char* from : {"application/pdf", "application/postscript"}) {
        for (const PrinterAppDrivers::Driver& driver : PrinterAppDrivers::All()) {
            if (std::string(from) != driver.format) {
                papplSystemAddMIMEFilter(system, from, driver.format, PrinterAppJob::Filter,
                                         nullptr);
            }
        }
    }
}

// CvRestrictSocket's own failures in words; the OS's as the system says them.
std::string WhyNotRestricted(DWORD result, const std::string& group) {
    if (result == ERROR_BAD_FILE_TYPE) {
        return "what stands there is no socket";
    }
    if (result == ERROR_NOT_FOUND) {
        return "there is no group " + group;
    }
    return SystemErrorText::Of(result);
}

// PAPPL's command line reaches the server through a local socket that every local user may
// write, and PAPPL takes every client of that socket for an administrator: once the server has
// made it (at its start, where this runs first), only the server's user and the admin group may.
bool RestrictServerSocket(pappl_system_t* system, void* context) {
    const auto& places = *static_cast<const PrinterAppPlaces*>(context);
    const uid_t user = getuid();
    const std::string path = user == 0 ? std::string("/run/cv-printer-app.sock")
                                       : std::string(papplGetTempDir()) + "/cv-printer-app" +
                                             std::to_string(user) + ".sock";
    const DWORD result =
        CvRestrictSocket(path.c_str(), places.group.empty() ? nullptr : places.group.c_str());
    if (result != ERROR_SUCCESS) {
        papplLog(system, PAPPL_LOGLEVEL_FATAL,
                 "The local socket %s cannot be kept from other users (%s; with an admin group, "
                 "the server's user must be a member of it): stopping.",
                 path.c_str(), WhyNotRestricted(result, places.group).c_str());
        papplSystemShutdown(system);
    }
    return false;
}
}  // namespace

pappl_system_t* PrinterAppSystem::Create(int count, cups_option_t* options, void* context) {
    auto& places = *static_cast<PrinterAppPlaces*>(context);
    const char* stateOption = cupsGetOption("state-directory", count, options);
    if (stateOption == nullptr || *stateOption == '\0') {
        std::fprintf(stderr, "cv-printer-app: give the state folder: -o state-directory=DIR\n");
        return nullptr;
    }
    const std::filesystem::path state = std::filesystem::absolute(stateOption);
    const int port = std::atoi(OptionOr(count, options, "server-port", "0").c_str());
    if (!MakeFolders(state)) {
        return nullptr;
    }
    places.settingsFolder = state / "printers";
    places.group = OptionOr(count, options, "admin-group", "");
    const std::string log =
        OptionOr(count, options, "log-file", (state / "cv-printer-app.log").c_str());
    const char* auth = cupsGetOption("auth-service", count, options);
    pappl_system_t* system = papplSystemCreate(
        PAPPL_SOPTIONS_MULTI_QUEUE | PAPPL_SOPTIONS_WEB_INTERFACE | PAPPL_SOPTIONS_NO_TLS,
        "cv-printer-app", port > 0 ? port : kDefaultPort, nullptr, (state / "spool").c_str(),
        log.c_str(), LogLevel(OptionOr(count, options, "log-level", "info")), auth, false);
    if (system == nullptr) {
        return nullptr;
    }
    papplSystemAddListeners(system,
                            OptionOr(count, options, "listen-hostname", "127.0.0.1").c_str());
    if (!places.group.empty()) {
        papplSystemSetAdminGroup(system, places.group.c_str());
    }
    papplSystemSetPrinterDrivers(system, static_cast<int>(PrinterAppDrivers::All().size()),
                                 PrinterAppDrivers::Table(), nullptr, PrinterAppDrivers::Created,
                                 PrinterAppDrivers::Fill, context);
    AddConversions(system);
    PrinterAppAddPage::Add(system);
    papplSystemSetMIMECallback(system, PrinterAppDrivers::FormatOf, nullptr);
    // PAPPL 1.3.1 looks the footer up in the browser's language without checking that there is
    // one: every page of its web interface a browser asks for would end the server.
    papplSystemSetFooterHTML(system, "cv-printer-app, the cv-PDLStreamFilter printer application");
    papplSystemAddTimerCallback(system, time(nullptr), 0, RestrictServerSocket, context);
    static std::string stateFile;
    stateFile = (state / "cv-printer-app.state").string();
    PrinterAppState::Load(system, stateFile);
    papplSystemSetSaveCallback(system, reinterpret_cast<pappl_save_cb_t>(papplSystemSaveState),
                               stateFile.data());
    return system;
}
