// The web interface's "Add Printer" page, in place of PAPPL's: PAPPL 1.3.1 lists the network's
// printers there through DNS-SD and ends the whole server when no DNS-SD daemon runs (its Avahi
// client is then missing), so ours asks for the device's URI instead of finding it.
#pragma once

#include <pappl/pappl.h>

#include <string>

class PrinterAppAddPage {
  public:
    // Takes the page's path before PAPPL would add its own; call when the system is made.
    static void Add(pappl_system_t* system);

    // Why `uri` cannot be a printer's device; empty when it can (socket://, usb://, file://).
    static std::string DeviceProblem(const std::string& uri);

  private:
    // pappl_resource_cb_t: the form, and the new printer when it comes back filled in.
    static bool Serve(pappl_client_t* client, void* system);
    // The printer the form asks for; a sentence for the form when it cannot be made.
    static std::string Create(pappl_client_t* client, pappl_system_t* system);
};
