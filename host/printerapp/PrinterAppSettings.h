// A printer's settings of the filter: the driver bag's values, the pass phrase and the Atrium
// hand-off, from an administrator's file of its own beside the application's state, never from
// IPP attributes (every client may read a printer's -default values, and PAPPL saves them).
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "host/job/JobFile.h"

class PrinterAppSettingsError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Where the application keeps the printers' settings files, and the group that may read them
// besides their owner; the drivers hand it to every job.
struct PrinterAppPlaces {
    std::filesystem::path settingsFolder;
    std::string group;
};

struct PrinterAppSettings {
    // What every job of the printer starts from: a job file without input, output or job.
    JobFile base;

    // The file of printer `name` in `folder`: `<name>.json`, the name's characters other than
    // letters, digits, '.', '-' and '_' (and a leading '.') written as '%' and two hexadecimal
    // digits, so that no two printers share a file.
    static std::filesystem::path FileOf(const std::filesystem::path& folder,
                                        const std::string& name);

    // The settings of a printer whose driver speaks `pdl`. No file: that driver's bag alone. A
    // file that others may read, or that names another PDL, input, output or a job, is refused
    // (PrinterAppSettingsError): a pass phrase there is a secret, and a wrong PDL would send the
    // printer a language it does not speak. `group` may read the file besides its owner.
    static PrinterAppSettings Read(const std::filesystem::path& folder, const std::string& name,
                                   std::int32_t pdl, const char* group);
};
