// The application's printers across restarts: PAPPL's state file. PAPPL drops a printer it cannot
// load (a damaged or cut definition, a driver gone) and its next save rewrites the file from what
// it loaded, so such a file is kept under a name of its own first, and the log says so.
#pragma once

#include <pappl/pappl.h>

#include <cstddef>
#include <filesystem>
#include <string>

class PrinterAppState {
  public:
    // Loads `file` into `system`, which is not running yet. The path of the copy kept of a file
    // that could not be loaded whole, or empty.
    static std::filesystem::path Load(pappl_system_t* system, const std::filesystem::path& file);
    // How many printer definitions a state file's text opens.
    static std::size_t PrintersNamedIn(const std::string& text);

  private:
    static std::filesystem::path KeepCopy(const std::filesystem::path& file);
};
