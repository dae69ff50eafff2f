// A CUPS queue's settings of the filter, from keywords of our own in its PPD: the driver property
// bag's values, the pass phrase file and the Atrium hand-off's program data folder.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/job/JobFile.h"

// A PPD that cannot be used; the message names the PPD and the keyword at fault.
class CupsSettingsError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct CupsPrinterSettings {
    JobFile::Driver driver;
    std::optional<std::filesystem::path> passPhraseFile;
    std::optional<std::filesystem::path> atriumProgramData;
    // The default choice of every option of the PPD (`lpadmin -o Duplex=DuplexNoTumble` changes
    // it in the queue's copy), by the option's keyword.
    std::map<std::string, std::string> defaults;

    // Throws CupsSettingsError. A relative file or folder is taken beside the PPD.
    static CupsPrinterSettings Read(const std::filesystem::path& ppd);

    // The settings of `pageFeatures` ("F=O:F=O") that the queue's product PDL data, where it has
    // any, gives no code for (data that do not read know none): the filter leaves them out of
    // every page, as it chooses its generator.
    std::vector<std::string> SettingsWithoutProductCode(const std::string& pageFeatures) const;
};
