// A document in another language than the printer's (PDF or PostScript) made into the printer's
// with Ghostscript, into a spool file of the job's own that goes away with this object. What we
// make is a finished job as a driver makes one: PostScript and PDF in a PJL envelope, so that a
// pass phrase has the language switch to encrypt after (Ghostscript's PCL XL has its own).
#pragma once

#include <pappl/pappl.h>

#include <string>

class PrinterAppConversion {
  public:
    // Converts `input` (of MIME type `from`) for a printer of MIME type `to`; `monochrome` picks
    // Ghostscript's monochrome PCL XL. Throws std::runtime_error when Ghostscript fails.
    PrinterAppConversion(pappl_job_t* job, const std::string& input, const std::string& from,
                         const std::string& to, bool monochrome);
    ~PrinterAppConversion();
    PrinterAppConversion(const PrinterAppConversion&) = delete;
    PrinterAppConversion& operator=(const PrinterAppConversion&) = delete;

    const std::string& Output() const noexcept { return output; }

    // The PJL envelope of a document of `language` ("POSTSCRIPT", "PDF").
    static std::string PjlHeader(const char* language);
    static std::string PjlTrailer();

    // Ghostscript's device for a printer of MIME type `to`; nullptr where there is none.
    static const char* DeviceFor(const std::string& to, bool monochrome);

  private:
    std::string output;
};
