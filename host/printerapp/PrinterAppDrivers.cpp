// The printer application's drivers.
#include "host/printerapp/PrinterAppDrivers.h"

#include <cctype>
#include <cstring>

#include "FilterPipeline/PDLStreamFilter/PdlValue.h"
#include "host/printerapp/PrinterAppDevice.h"
#include "host/printerapp/PrinterAppJob.h"
#include "host/printerapp/PrinterAppRaster.h"
#include "host/printerapp/PrinterAppSettingsPage.h"

const std::vector<PrinterAppDrivers::Driver>& PrinterAppDrivers::All() {
    static const std::vector<Driver> drivers = {
        {"cv-postscript", "cv-PDLStreamFilter PostScript", "application/postscript",
         PdlValue::PostScript, "POSTSCRIPT", CupsJobOptions::Language::PostScript},
        {"cv-pclxl", "cv-PDLStreamFilter PCL XL", "application/vnd.hp-pclxl", PdlValue::PclXl,
         "PCLXL", CupsJobOptions::Language::PclXl},
        {"cv-pdf", "cv-PDLStreamFilter PDF", "application/pdf", PdlValue::Pdf, "PDF",
         CupsJobOptions::Language::Pdf},
    };
    return drivers;
}

const PrinterAppDrivers::Driver* PrinterAppDrivers::Find(const std::string& name) {
    for (const Driver& driver : All()) {
        if (name == driver.name) {
            return &driver;
        }
    }
    return nullptr;
}

pappl_pr_driver_t* PrinterAppDrivers::Table() {
    static std::vector<pappl_pr_driver_t> table = [] {
        std::vector<pappl_pr_driver_t> entries;
        for (const Driver& driver : All()) {
            entries.push_back({driver.name, driver.description, nullptr, nullptr});
        }
        return entries;
    }();
    return table.data();
}

const std::vector<const char*>& PrinterAppDrivers::VendorAttributes() {
    static const std::vector<const char*> names = {"cv-pjl", "cv-job-ps", "cv-job-ps-comments",
                                                   "cv-remove-stapling"};
    return names;
}

namespace {
// The sizes the filter's option mapping knows by name.
constexpr const char* kMedia[] = {"iso_a4_210x297mm",  "na_letter_8.5x11in",
                                  "iso_a3_297x420mm",  "iso_a5_148x210mm",
                                  "na_legal_8.5x14in", "na_executive_7.25x10.5in"};
constexpr const char* kSources[] = {"auto", "tray-1", "tray-2", "manual"};
constexpr int kMargin = 423;  // 1/6 inch, in hundredths of millimetres
constexpr const char* kTypes[] = {"stationery", "transparency", "labels", "envelope"};

void FillMedia(pappl_pr_driver_data_t* data) {
    data->num_media = static_cast<int>(std::size(kMedia));
    for (int i = 0; i < data->num_media; ++i) {
        data->media[i] = kMedia[i];
    }
    data->num_source = static_cast<int>(std::size(kSources));
    for (int i = 0; i < data->num_source; ++i) {
        data->source[i] = kSources[i];
        data->media_ready[i].left_margin = data->media_ready[i].right_margin = kMargin;
        data->media_ready[i].top_margin = data->media_ready[i].bottom_margin = kMargin;
        data->media_ready[i].size_width = 21000;
        data->media_ready[i].size_length = 29700;
        std::strncpy(data->media_ready[i].size_name, kMedia[0],
                     sizeof data->media_ready[i].size_name - 1);
        std::strncpy(data->media_ready[i].source, kSources[i],
                     sizeof data->media_ready[i].source - 1);
        std::strncpy(data->media_ready[i].type, kTypes[0], sizeof data->media_ready[i].type - 1);
    }
    data->media_default = data->media_ready[0];
    data->num_type = static_cast<int>(std::size(kTypes));
    for (int i = 0; i < data->num_type; ++i) {
        data->type[i] = kTypes[i];
    }
    data->left_right = data->bottom_top = kMargin;
}

void FillVendor(pappl_pr_driver_data_t* data, ipp_t* attributes) {
    const auto& names = PrinterAppDrivers::VendorAttributes();
    data->num_vendor = static_cast<int>(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        data->vendor[i] = names[i];
        const std::string defaultName = std::string(names[i]) + "-default";
        if (std::strcmp(names[i], "cv-remove-stapling") == 0) {
            ippAddBoolean(attributes, IPP_TAG_PRINTER, defaultName.c_str(), 0);
            ippAddBoolean(attributes, IPP_TAG_PRINTER, "cv-remove-stapling-supported", 1);
        } else {
            ippAddString(attributes, IPP_TAG_PRINTER, IPP_TAG_TEXT, defaultName.c_str(), nullptr,
                         "");
        }
    }
}
}  // namespace

bool PrinterAppDrivers::Fill(pappl_system_t*, const char* name, const char*, const char*,
                             pappl_pr_driver_data_t* data, ipp_t** attributes, void* places) {
    const Driver* driver = name != nullptr ? Find(name) : nullptr;
    if (driver == nullptr) {
        return false;
    }
    data->extension = places;
    data->printfile_cb = PrinterAppJob::Print;
    data->rstartjob_cb = PrinterAppRaster::StartJob;
    data->rstartpage_cb = PrinterAppRaster::StartPage;
    data->rwriteline_cb = PrinterAppRaster::WriteLine;
    data->rendpage_cb = PrinterAppRaster::EndPage;
    data->rendjob_cb = PrinterAppRaster::EndJob;
    data->raster_types = PAPPL_PWG_RASTER_TYPE_SGRAY_8 | PAPPL_PWG_RASTER_TYPE_SRGB_8;
    data->identify_cb = PrinterAppDevice::Identify;
    data->identify_supported = data->identify_default = PAPPL_IDENTIFY_ACTIONS_DISPLAY;
    data->format = driver->format;
    std::snprintf(data->make_and_model, sizeof data->make_and_model, "%s", driver->description);
    data->ppm = 30;
    data->kind = PAPPL_KIND_DOCUMENT;
    data->color_supported =
        PAPPL_COLOR_MODE_AUTO | PAPPL_COLOR_MODE_COLOR | PAPPL_COLOR_MODE_MONOCHROME;
    data->color_default = PAPPL_COLOR_MODE_AUTO;
    data->duplex = PAPPL_DUPLEX_NORMAL;
    data->sides_supported =
        PAPPL_SIDES_ONE_SIDED | PAPPL_SIDES_TWO_SIDED_LONG_EDGE | PAPPL_SIDES_TWO_SIDED_SHORT_EDGE;
    data->sides_default = PAPPL_SIDES_ONE_SIDED;
    // IPP/1.1 clients expect one of the four orientations, not "none", as the default.
    data->orient_default = IPP_ORIENT_PORTRAIT;
    // Raster pages come at 300 dpi: an A4 page in RGB is 26 MB before compression.
    data->num_resolution = 1;
    data->x_resolution[0] = data->y_resolution[0] = 300;
    data->x_default = data->y_default = 300;
    FillMedia(data);
    if (*attributes == nullptr) {
        *attributes = ippNew();
    }
    FillVendor(data, *attributes);
    // Validate-Job answers with no preferred values, and colour rendering is the printer's.
    ippAddBoolean(*attributes, IPP_TAG_PRINTER, "preferred-attributes-supported", 0);
    ippAddString(*attributes, IPP_TAG_PRINTER, IPP_CONST_TAG(IPP_TAG_KEYWORD),
                 "print-rendering-intent-default", nullptr, "auto");
    ippAddString(*attributes, IPP_TAG_PRINTER, IPP_CONST_TAG(IPP_TAG_KEYWORD),
                 "print-rendering-intent-supported", nullptr, "auto");
    return true;
}

// Each printer's settings page; and as a printer on a socket tells nothing of its supplies,
// clients are shown one of unknown level rather than none, which they would take for a printer
// without a marker.
void PrinterAppDrivers::Created(pappl_printer_t* printer, void* places) {
    PrinterAppSettingsPage::Add(printer, places);
    pappl_supply_t supply{};
    supply.color = PAPPL_SUPPLY_COLOR_MULTIPLE;
    std::snprintf(supply.description, sizeof supply.description, "%s",
                  "Marker supply (its level is not reported)");
    supply.is_consumed = true;
    supply.level = -1;
    supply.type = PAPPL_SUPPLY_TYPE_UNKNOWN;
    papplPrinterSetSupplies(printer, 1, &supply);
}

const char* PrinterAppDrivers::FormatOf(const unsigned char* header, size_t size, void*) {
    const std::string start(reinterpret_cast<const char*>(header), size);
    if (start.rfind(") HP-PCL XL", 0) == 0) {
        return "application/vnd.hp-pclxl";
    }
    if (start.rfind("\x1b%-12345X", 0) != 0 && start.rfind("@PJL", 0) != 0) {
        return nullptr;
    }
    const std::size_t enter = start.find("@PJL ENTER LANGUAGE");
    if (enter == std::string::npos) {
        return nullptr;
    }
    std::size_t at = enter + std::strlen("@PJL ENTER LANGUAGE");
    at = start.find_first_not_of(" \t", at);
    if (at == std::string::npos || start[at] != '=') {
        return nullptr;
    }
    at = start.find_first_not_of(" \t", at + 1);
    std::string language;
    for (; at < start.size() && std::isalnum(static_cast<unsigned char>(start[at])) != 0; ++at) {
        language += static_cast<char>(std::toupper(static_cast<unsigned char>(start[at])));
    }
    for (const Driver& driver : All()) {
        if (language == driver.pjlLanguage) {
            return driver.format;
        }
    }
    return nullptr;
}
