// The device stream of a printer application's job.
#include "host/printerapp/PrinterAppDevice.h"

#include <stdexcept>

namespace {
ssize_t WriteToDevice(void* device, const char* bytes, size_t count) {
    const ssize_t written = papplDeviceWrite(static_cast<pappl_device_t*>(device), bytes, count);
    return written < 0 ? -1 : written;
}
}  // namespace

PrinterAppDevice::PrinterAppDevice(pappl_device_t* device)
    : device(device),
      file(fopencookie(device, "wb",
                       cookie_io_functions_t{nullptr, WriteToDevice, nullptr, nullptr})) {
    if (file == nullptr) {
        throw std::runtime_error("the printer's device cannot be written as a stream");
    }
    // The host's write stream gathers the filter's deliveries already.
    std::setvbuf(file, nullptr, _IONBF, 0);
}

PrinterAppDevice::~PrinterAppDevice() {
    std::fclose(file);
    papplDeviceFlush(device);
}

std::string PrinterAppDevice::ReadyMessage(const std::string& text) {
    std::string shown = text.substr(0, 80);
    for (char& c : shown) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80) {
            c = '?';
        } else if (c == '"' || byte < 0x20 || byte == 0x7f) {
            c = ' ';
        }
    }
    return "\x1b%-12345X@PJL\r\n@PJL RDYMSG DISPLAY = \"" + shown + "\"\r\n\x1b%-12345X";
}

void PrinterAppDevice::Identify(pappl_printer_t* printer, pappl_identify_actions_t,
                                const char* message) {
    const std::string bytes = ReadyMessage(
        message != nullptr && *message != '\0' ? message : papplPrinterGetName(printer));
    pappl_device_t* device = papplPrinterOpenDevice(printer);
    if (device == nullptr) {
        papplLogPrinter(printer, PAPPL_LOGLEVEL_WARN,
                        "Identify-Printer: the device is busy or cannot be opened.");
        return;
    }
    if (papplDeviceWrite(device, bytes.data(), bytes.size()) < 0) {
        papplLogPrinter(printer, PAPPL_LOGLEVEL_ERROR,
                        "Identify-Printer: the device write failed.");
    }
    papplDeviceFlush(device);
    papplPrinterCloseDevice(printer);
}
