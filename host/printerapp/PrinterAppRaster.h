// Raster jobs (PWG raster, Apple raster, JPEG, PNG as PAPPL decodes them) as a PostScript job of
// our own: each page one Flate-compressed image at the raster's resolution, with the page's DSC
// comments, in a spool file that then goes through the filter as any PostScript job does (and
// through Ghostscript first where the printer speaks another language).
#pragma once

#include <pappl/pappl.h>

class PrinterAppRaster {
  public:
    // PAPPL's raster callbacks; the job's document is the spool file while the job runs.
    static bool StartJob(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device);
    static bool StartPage(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device,
                          unsigned page);
    static bool WriteLine(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device,
                          unsigned y, const unsigned char* line);
    static bool EndPage(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device,
                        unsigned page);
    static bool EndJob(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device);
};
