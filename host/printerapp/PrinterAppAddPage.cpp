// The web interface's page that adds a printer.
#include "host/printerapp/PrinterAppAddPage.h"

#include <cerrno>
#include <cstring>

#include "host/printerapp/PrinterAppDrivers.h"

namespace {
constexpr char kPath[] = "/addprinter";

std::string FormValue(int count, cups_option_t* form, const char* name) {
    const char* value = cupsGetOption(name, count, form);
    return value != nullptr ? value : "";
}

void Field(pappl_client_t* client, const char* label, const char* name, const char* hint) {
    papplClientHTMLPrintf(client,
                          "<tr><th><label for=\"%s\">%s:</label></th><td><input type=\"text\" "
                          "name=\"%s\" id=\"%s\" placeholder=\"%s\" required></td></tr>\n",
                          name, label, name, name, hint);
}

void Form(pappl_client_t* client, const std::string& status) {
    if (!papplClientRespond(client, HTTP_STATUS_OK, nullptr, "text/html", 0, 0)) {
        return;
    }
    papplClientHTMLHeader(client, "Add Printer", 0);
    papplClientHTMLPuts(client,
                        "<div class=\"content\"><div class=\"row\"><div class=\"col-12\">\n"
                        "<h1 class=\"title\">Add Printer</h1>\n");
    if (!status.empty()) {
        papplClientHTMLPuts(client, "<div class=\"banner\">");
        papplClientHTMLEscape(client, status.c_str(), status.size());
        papplClientHTMLPuts(client, "</div>\n");
    }
    papplClientHTMLStartForm(client, kPath, false);
    papplClientHTMLPuts(client, "<table class=\"form\">\n");
    Field(client, "Name", "printer_name", "office");
    papplClientHTMLPuts(client,
                        "<tr><th><label for=\"driver_name\">Driver:</label></th><td>"
                        "<select name=\"driver_name\" id=\"driver_name\">");
    for (const PrinterAppDrivers::Driver& driver : PrinterAppDrivers::All()) {
        papplClientHTMLPrintf(client, "<option value=\"%s\">%s</option>", driver.name,
                              driver.description);
    }
    papplClientHTMLPuts(client, "</select></td></tr>\n");
    Field(client, "Device URI", "device_uri", "socket://192.0.2.7:9100");
    papplClientHTMLPuts(client,
                        "<tr><th></th><td><input type=\"submit\" value=\"Add Printer\">"
                        "</td></tr></table></form>\n</div></div></div>\n");
    papplClientHTMLFooter(client);
}
}  // namespace

void PrinterAppAddPage::Add(pappl_system_t* system) {
    papplSystemAddResourceCallback(system, kPath, "text/html", Serve, system);
}

std::string PrinterAppAddPage::DeviceProblem(const std::string& uri) {
    for (const char* scheme : {"socket://", "usb://", "file://"}) {
        const std::string prefix = scheme;
        if (uri.rfind(prefix, 0) == 0) {
            return uri.size() > prefix.size() ? "" : "the device URI names no device";
        }
    }
    return "the device URI must begin with socket://, usb:// or file://";
}

std::string PrinterAppAddPage::Create(pappl_client_t* client, pappl_system_t* system) {
    cups_option_t* form = nullptr;
    const int count = papplClientGetForm(client, &form);
    std::string problem;
    const std::string name = FormValue(count, form, "printer_name");
    const std::string driver = FormValue(count, form, "driver_name");
    const std::string device = FormValue(count, form, "device_uri");
    if (count == 0 || !papplClientIsValidForm(client, count, form)) {
        problem = "The form is not valid: load the page again.";
    } else if (name.empty()) {
        problem = "Give the printer a name.";
    } else if (PrinterAppDrivers::Find(driver) == nullptr) {
        problem = "Choose one of the drivers.";
    } else if (const std::string why = DeviceProblem(device); !why.empty()) {
        problem = "The printer cannot be added: " + why + ".";
    }
    cupsFreeOptions(count, form);
    if (!problem.empty()) {
        return problem;
    }
    pappl_printer_t* printer =
        papplPrinterCreate(system, 0, name.c_str(), driver.c_str(), nullptr, device.c_str());
    if (printer == nullptr) {
        return errno == EEXIST ? "A printer of that name exists already."
                               : "The printer cannot be added: " + std::string(strerror(errno));
    }
    char path[1024];
    papplClientRespondRedirect(client, HTTP_STATUS_FOUND,
                               papplPrinterGetPath(printer, nullptr, path, sizeof path));
    return "";
}

bool PrinterAppAddPage::Serve(pappl_client_t* client, void* system) {
    if (!papplClientHTMLAuthorize(client)) {
        return true;
    }
    if (papplClientGetMethod(client) != HTTP_STATE_POST) {
        Form(client, "");
        return true;
    }
    const std::string problem = Create(client, static_cast<pappl_system_t*>(system));
    if (!problem.empty()) {
        Form(client, problem);
    }
    return true;
}
