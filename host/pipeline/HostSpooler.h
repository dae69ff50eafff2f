// The machine and spooler side of a job run from the command line. On Linux the job file's printer,
// printer data, job record, driver and user go into the stand-in layer's spooler; on Windows the
// real spooler knows them, so only the named printer is opened and the host's own user
// impersonated.
#pragma once

#include <string>
#include <vector>

#include "host/job/JobFile.h"
#include "seam/Win32Seam.h"

class HostSpooler {
  public:
    explicit HostSpooler(const JobFile& job);
    ~HostSpooler();
    HostSpooler(const HostSpooler&) = delete;
    HostSpooler& operator=(const HostSpooler&) = delete;

    // Null when the spooler does not know the printer.
    HANDLE PrinterHandle() const noexcept { return printer; }
    // Null when the job names no user to impersonate.
    HANDLE UserToken() const noexcept { return token; }
    // What of the job file this build could not hand to the spooler, for the user to know.
    const std::vector<std::string>& Notes() const noexcept { return notes; }

    // The file a driver's package holds as its data file, in the folder the job file names.
    static constexpr const char* kDriverDataFileName = "driver.gpd";

  private:
    // The common application data folder, where the Atrium hand-off looks for its settings.
    void UseProgramDataFolder(const JobFile& job);
    void DefineSpoolerFacts(const JobFile& job);
    void OpenQueue(const std::string& name);
    void CreateUserToken(const JobFile& job);

    HANDLE printer = nullptr;
    HANDLE token = nullptr;
    std::vector<std::string> notes;
};
