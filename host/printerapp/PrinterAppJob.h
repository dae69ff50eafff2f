// One job of the printer application through the filter: the printer's settings and the job's
// IPP options become the job file, the spooled document the input and the printer's device the
// output. A cancelled job reaches the filter's ShutdownOperation even while a device write
// blocks; the filter's account goes to the job's log.
#pragma once

#include <pappl/pappl.h>

#include <map>
#include <string>

class PrinterAppJob {
  public:
    // pappl_pr_printfile_cb_t: the job's document is of the printer's own language.
    static bool Print(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device);
    // pappl_mime_filter_cb_t: a PDF or PostScript document for a printer of another language.
    static bool Filter(pappl_job_t* job, pappl_device_t* device, void* unused);
    // The document at `path`, of MIME type `format`, through the filter to the device; converted
    // first when `format` is not the printer's, and a PDF without PJL put in its PJL envelope, as
    // a PDF printer takes its job control in PJL. `copiesMade`: the document holds the job's
    // copies already (PAPPL prints an image once for each). False (the job is aborted) with the
    // reason as the job's message.
    static bool PrintFile(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device,
                          const std::string& path, const std::string& format,
                          bool copiesMade = false);

    // The job's options under the names the CUPS mode's mapping takes (IPP's own, and ours).
    static std::map<std::string, std::string> OptionsOf(pappl_job_t* job,
                                                        const pappl_pr_options_t& options);
};
