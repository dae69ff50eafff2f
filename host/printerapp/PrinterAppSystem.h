// The printer application's system: PAPPL's server on the loopback address, with its state, spool
// and log in the folder the command line gives (-o state-directory=DIR) and the printers' settings
// files in its "printers" folder.
#pragma once

#include <pappl/pappl.h>

class PrinterAppSystem {
  public:
    // pappl_ml_system_cb_t; `places` is the application's PrinterAppPlaces, filled here. Options:
    // state-directory (required), server-port (default 8631), listen-hostname (default
    // 127.0.0.1), log-level, log-file, admin-group, auth-service.
    static pappl_system_t* Create(int count, cups_option_t* options, void* places);
};
