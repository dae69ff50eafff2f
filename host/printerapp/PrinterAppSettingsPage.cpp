// The web interface's page of a printer's filter settings.
#include "host/printerapp/PrinterAppSettingsPage.h"

#include <cstdio>
#include <cstring>
#include <variant>

#include "host/printerapp/PrinterAppDrivers.h"
#include "host/printerapp/PrinterAppSettings.h"

namespace {
constexpr char kSubpath[] = "filter";

std::string Shown(const JobFile::PropertyValue& value) {
    if (const auto* text = std::get_if<std::string>(&value)) {
        return "\"" + *text + "\"";
    }
    if (const auto* number = std::get_if<std::int32_t>(&value)) {
        return std::to_string(*number);
    }
    if (const auto* flag = std::get_if<bool>(&value)) {
        return *flag ? "true" : "false";
    }
    return "null";
}

const char* YesNo(bool value) {
    return value ? "yes" : "no";
}

void Row(pappl_client_t* client, const std::string& label, const std::string& value) {
    papplClientHTMLPuts(client, "<tr><th>");
    papplClientHTMLEscape(client, label.c_str(), label.size());
    papplClientHTMLPuts(client, ":</th><td>");
    papplClientHTMLEscape(client, value.c_str(), value.size());
    papplClientHTMLPuts(client, "</td></tr>\n");
}
}  // namespace

bool PrinterAppSettingsPage::IsSecret(const std::string& name) {
    return name.find("PassPhrase") != std::string::npos ||
           name.find("Password") != std::string::npos;
}

std::vector<std::pair<std::string, std::string>> PrinterAppSettingsPage::Rows(const JobFile& base) {
    std::vector<std::pair<std::string, std::string>> rows;
    const JobFile::Driver driver = base.driver.value_or(JobFile::Driver{});
    rows.emplace_back("PDL", std::to_string(driver.pdl));
    rows.emplace_back("Print stream QFCI compliant", YesNo(driver.printStreamQFCICompliant));
    rows.emplace_back("Full QPIF support", YesNo(driver.fullQpifSupported));
    rows.emplace_back("Green separator page fix-up", YesNo(driver.requiresGreenSeparatorPageFixUp));
    rows.emplace_back("Requires both PJL and QCPT", YesNo(driver.requiresBothPjlAndQcpt));
    rows.emplace_back("Controller family", std::to_string(driver.controllerFamily));
    bool secured = false;
    for (const auto& [name, value] : base.properties) {
        if (IsSecret(name)) {
            secured |= !std::holds_alternative<std::nullptr_t>(value);
            continue;
        }
        rows.emplace_back(name, Shown(value));
    }
    rows.emplace_back("Pass phrase", secured ? "set: jobs are encrypted" : "not set");
    for (const auto& [name, value] : base.printer.printerData) {
        rows.emplace_back("Printer data " + name, std::to_string(value));
    }
    if (base.programData) {
        rows.emplace_back("Program data folder", base.programData->string());
    }
    return rows;
}

void PrinterAppSettingsPage::Add(pappl_printer_t* printer, void* places) {
    char path[1024];
    papplPrinterGetPath(printer, kSubpath, path, sizeof path);
    papplPrinterAddLink(printer, "Filter Settings", path,
                        PAPPL_LOPTIONS_NAVIGATION | PAPPL_LOPTIONS_STATUS);
    papplSystemAddResourceCallback(papplPrinterGetSystem(printer), path, "text/html", Serve,
                                   places);
}

bool PrinterAppSettingsPage::Serve(pappl_client_t* client, void* context) {
    const auto& places = *static_cast<const PrinterAppPlaces*>(context);
    // The page's path is the printer's web path and the subpath: "/NAME/filter".
    std::string uri = papplClientGetURI(client);
    uri.resize(uri.size() - std::strlen(kSubpath) - 1);
    pappl_printer_t* printer = papplSystemFindPrinter(papplClientGetSystem(client),
                                                      ("/ipp/print" + uri).c_str(), 0, nullptr);
    const PrinterAppDrivers::Driver* driver =
        printer != nullptr ? PrinterAppDrivers::Find(papplPrinterGetDriverName(printer)) : nullptr;
    if (driver == nullptr) {
        papplClientRespond(client, HTTP_STATUS_NOT_FOUND, nullptr, nullptr, 0, 0);
        return true;
    }
    papplClientHTMLPrinterHeader(client, printer, "Filter Settings", 0, nullptr, nullptr);
    papplClientHTMLPuts(client, "<div class=\"row\"><div class=\"col-12\">\n");
    const std::string file =
        PrinterAppSettings::FileOf(places.settingsFolder, papplPrinterGetName(printer)).string();
    papplClientHTMLPuts(client, "<p>From ");
    papplClientHTMLEscape(client, file.c_str(), file.size());
    papplClientHTMLPuts(client, ", as the next job reads it.</p>\n<table class=\"form\">\n");
    try {
        const PrinterAppSettings settings = PrinterAppSettings::Read(
            places.settingsFolder, papplPrinterGetName(printer), driver->pdl,
            places.group.empty() ? nullptr : places.group.c_str());
        for (const auto& [label, value] : Rows(settings.base)) {
            Row(client, label, value);
        }
    } catch (const std::exception& error) {
        Row(client, "Refused", error.what());
    }
    papplClientHTMLPuts(client, "</table>\n</div></div>\n");
    papplClientHTMLPrinterFooter(client);
    return true;
}
