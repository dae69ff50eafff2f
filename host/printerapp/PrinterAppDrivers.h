// The printer application's drivers, one for each printer language the filter serves: the
// finished job of that language goes through the filter as it is. Each driver's data is what
// PAPPL checks before it takes a printer (a value it rejects leaves the printer without a driver).
#pragma once

#include <pappl/pappl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "host/cups/CupsOptions.h"

class PrinterAppDrivers {
  public:
    struct Driver {
        const char* name;                     // the name `add -m` takes
        const char* description;              // as the web interface lists it
        const char* format;                   // the MIME type of the finished job the printer takes
        std::int32_t pdl;                     // the driver bag's PDL value
        const char* pjlLanguage;              // the language a job behind PJL switches to
        CupsJobOptions::Language jobControl;  // how the job's options reach the printer
    };

    static const std::vector<Driver>& All();
    // The driver of `name`; nullptr for none.
    static const Driver* Find(const std::string& name);
    // PAPPL's table of All(), valid for the program's life.
    static pappl_pr_driver_t* Table();

    // The vendor job attributes the filter takes, each declared with its -default (and for a
    // flag, its -supported) in the driver's attributes.
    static const std::vector<const char*>& VendorAttributes();

    // pappl_pr_driver_cb_t: fills `data` and `attributes` for driver `name`; `places` (the
    // application's PrinterAppPlaces) goes to every job as the driver data's extension.
    static bool Fill(pappl_system_t* system, const char* name, const char* uri,
                     const char* deviceId, pappl_pr_driver_data_t* data, ipp_t** attributes,
                     void* places);
    // pappl_mime_cb_t for what PAPPL does not recognise itself: a job behind PJL by its
    // language switch (POSTSCRIPT, PCLXL, PDF), and a bare PCL XL stream; nullptr otherwise.
    static const char* FormatOf(const unsigned char* header, size_t size, void* unused);

    // pappl_pr_create_cb_t: what every new or loaded printer has besides its driver data (its
    // settings page, its supplies); `places` as for Fill.
    static void Created(pappl_printer_t* printer, void* places);
};
