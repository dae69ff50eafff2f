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
