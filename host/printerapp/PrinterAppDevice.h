// A printer's device as the stdio stream the host's write stream writes to: every write goes to
// papplDeviceWrite, so a device that stops taking bytes stops the filter's write with it.
#pragma once

#include <pappl/pappl.h>

#include <cstdio>

class PrinterAppDevice {
  public:
    // Throws std::runtime_error when the stream cannot be made.
    explicit PrinterAppDevice(pappl_device_t* device);
    // Closes the stream and flushes the device's own buffer.
    ~PrinterAppDevice();
    PrinterAppDevice(const PrinterAppDevice&) = delete;
    PrinterAppDevice& operator=(const PrinterAppDevice&) = delete;

    std::FILE* File() const noexcept { return file; }

  private:
    pappl_device_t* device;
    std::FILE* file;
};
