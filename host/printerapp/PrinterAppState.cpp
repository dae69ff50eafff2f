// The copy is named after the time it was kept, and never replaces an earlier one: a file damaged
// twice keeps both.
#include "host/printerapp/PrinterAppState.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <fstream>
#include <sstream>
#include <system_error>

namespace {
void CountPrinter(pappl_printer_t*, void* count) {
    ++*static_cast<std::size_t*>(count);
}

std::size_t LoadedPrinters(pappl_system_t* system) {
    std::size_t count = 0;
    papplSystemIteratePrinters(system, reinterpret_cast<pappl_printer_cb_t>(CountPrinter), &count);
    return count;
}

std::string UtcStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    gmtime_r(&now, &parts);
    char stamp[32] = {};
    std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%SZ", &parts);
    return stamp;
}
}  // namespace

std::size_t PrinterAppState::PrintersNamedIn(const std::string& text) {
    std::istringstream lines(text);
    std::size_t count = 0;
    std::string line;
    while (std::getline(lines, line)) {
        // PAPPL reads a directive as the line's first word, whatever its case.
        std::istringstream words(line);
        std::string directive;
        words >> directive;
        std::transform(directive.begin(), directive.end(), directive.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        count += directive == "<printer" ? 1 : 0;
    }
    return count;
}

std::filesystem::path PrinterAppState::KeepCopy(const std::filesystem::path& file) {
    const std::string stem = file.string() + ".damaged-" + UtcStamp();
    for (int attempt = 1; attempt < 100; ++attempt) {
        const std::filesystem::path copy =
            attempt == 1 ? stem : stem + "-" + std::to_string(attempt);
        std::error_code error;
        if (std::filesystem::copy_file(file, copy, std::filesystem::copy_options::none, error)) {
            return copy;
        }
        if (error != std::errc::file_exists) {
            return {};
        }
    }
    return {};
}

std::filesystem::path PrinterAppState::Load(pappl_system_t* system,
                                            const std::filesystem::path& file) {
    std::error_code error;
    if (!std::filesystem::exists(file, error)) {
        return {};
    }
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    const std::size_t named = PrintersNamedIn(text.str());
    const bool loaded = papplSystemLoadState(system, file.c_str());
    const std::size_t printers = LoadedPrinters(system);
    if (loaded && printers >= named) {
        return {};
    }
    const std::filesystem::path copy = KeepCopy(file);
    // PAPPL's own formatter reads no size_t conversion.
    papplLog(system, PAPPL_LOGLEVEL_ERROR,
             "The state file %s could not be loaded whole (printers named: %lu, loaded: %lu); "
             "since the next save rewrites it from what was loaded, it is kept as %s.",
             file.c_str(), static_cast<unsigned long>(named), static_cast<unsigned long>(printers),
             copy.empty() ? "(no copy could be made)" : copy.c_str());
    return copy;
}
