// A printer's device as the stdio stream the host's write stream writes to: every write goes to
// papplDeviceWrite, so a device that stops taking bytes stops the filter's write with it.
#pragma once

#include <pappl/pappl.h>

#include <cstdio>
#include <string>

class PrinterAppDevice {
  public:
    // Throws std::runtime_error when the stream cannot be made.
    explicit PrinterAppDevice(pappl_device_t* device);
    // Closes the stream and flushes the device's own buffer.
    ~PrinterAppDevice();
    PrinterAppDevice(const PrinterAppDevice&) = delete;
    PrinterAppDevice& operator=(const PrinterAppDevice&) = delete;

    std::FILE* File() const noexcept { return file; }

    // pappl_pr_identify_cb_t: shows `message` (or the printer's name) on the printer's panel as
    // its PJL ready message; a printer busy with a job is left alone.
    static void Identify(pappl_printer_t* printer, pappl_identify_actions_t actions,
                         const char* message);
    // The PJL job that sets the ready message to `text`, cut at 80 bytes (more than any panel
    // shows): quotes and control characters become spaces, bytes beyond ASCII question marks.
    static std::string ReadyMessage(const std::string& text);

  private:
    pappl_device_t* device;
    std::FILE* file;
};
