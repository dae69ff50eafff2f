// A document in another language than the printer's (PDF or PostScript) made into the printer's,
// into a spool file of the job's own that goes away with this object. What we make is a finished
// job as a driver makes one: PostScript and PDF in a PJL envelope, so that the job's PJL and a
// pass phrase's language switch have their place (Ghostscript's PCL XL has its own PJL).
#pragma once

#include <pappl/pappl.h>

#include <cstdio>
#include <string>

class PrinterAppConversion {
  public:
    // Converts `input` (of MIME type `from`) for a printer of MIME type `to`; `monochrome` picks
    // Ghostscript's monochrome PCL XL. Throws std::runtime_error when the converter fails.
    PrinterAppConversion(pappl_job_t* job, const std::string& input, const std::string& from,
                         const std::string& to, bool monochrome);
    // `input`, a document of `language` without PJL, in the PJL envelope.
    PrinterAppConversion(pappl_job_t* job, const std::string& input, const char* language);
    ~PrinterAppConversion();
    PrinterAppConversion(const PrinterAppConversion&) = delete;
    PrinterAppConversion& operator=(const PrinterAppConversion&) = delete;

    const std::string& Output() const noexcept { return output; }

    // The PJL envelope of a document of `language` ("POSTSCRIPT", "PDF").
    static std::string PjlHeader(const char* language);
    static std::string PjlTrailer();

    // The shell command that writes `input` of `from` as `to` to its standard output; empty where
    // there is none. PDF becomes PostScript with poppler's pdftops, whose DSC setup and page setup
    // sections take the job's copies and page features; the rest goes through Ghostscript.
    static std::string CommandFor(const std::string& input, const std::string& from,
                                  const std::string& to, bool monochrome);
    // Whether `path` begins with PJL's universal exit.
    static bool BeginsWithPjl(const std::string& path);
    // Copies the PostScript of `from` to `to` with what each page setup section held moved
    // behind it: the filter puts the job's page features in place of that section, as a driver
    // leaves nothing else there. False when `from` gave nothing.
    static bool EmptyPageSetups(std::FILE* from, std::FILE* to);

  private:
    // Makes the spool file with the envelope's header for `language` (none for nullptr), appends
    // what `command` writes (through EmptyPageSetups with `pageSetups`), then the trailer.
    void Make(pappl_job_t* job, const char* language, const std::string& command, bool pageSetups,
              const std::string& what);
    void Append(int descriptor, const char* language, const std::string& command, bool pageSetups,
                const std::string& what);
    static bool Copy(std::FILE* from, std::FILE* to);

    std::string output;
};
