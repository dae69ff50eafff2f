// A printer's "Filter Settings" page in the application's web interface: what its settings file
// gives the filter, read as a job would read it. Nothing secret is shown: a pass phrase is only
// said to be set.
#pragma once

#include <pappl/pappl.h>

#include <string>
#include <utility>
#include <vector>

#include "host/job/JobFile.h"

class PrinterAppSettingsPage {
  public:
    // Links the page from `printer`'s pages; `places` (the application's PrinterAppPlaces) must
    // outlive the system.
    static void Add(pappl_printer_t* printer, void* places);

    // The page's rows, each a label and its value, for the settings `base`.
    static std::vector<std::pair<std::string, std::string>> Rows(const JobFile& base);

    // Whether the property `name` holds a secret, whose value no page shows.
    static bool IsSecret(const std::string& name);

  private:
    // pappl_resource_cb_t of every printer's page, `places` its data.
    static bool Serve(pappl_client_t* client, void* places);
};
