// cv-printer-app: an IPP Everywhere printer application whose printers send their jobs through
// the filter. PAPPL's main loop gives the commands (server, add, submit, jobs, ...).
#include <pappl/pappl.h>

#include "cv-version.h"
#include "host/printerapp/PrinterAppDrivers.h"
#include "host/printerapp/PrinterAppSettings.h"
#include "host/printerapp/PrinterAppSystem.h"

int main(int argc, char* argv[]) {
    static PrinterAppPlaces places;
    return papplMainloop(argc, argv, CV_VERSION_TEXT, nullptr,
                         static_cast<int>(PrinterAppDrivers::All().size()),
                         PrinterAppDrivers::Table(), nullptr, PrinterAppDrivers::Fill, nullptr,
                         nullptr, PrinterAppSystem::Create, nullptr, &places);
}
