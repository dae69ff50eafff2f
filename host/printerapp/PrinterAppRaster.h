// Raster jobs (PWG raster, Apple raster, JPEG, PNG as PAPPL decodes them) as a job of our own in
// a spool file that then goes through the filter as any finished job does: for a PCL XL printer
// PCL XL, each page one image; for the others PostScript, each page one Flate-compressed image
// with the page's DSC comments (through Ghostscript first for a PDF printer).
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
