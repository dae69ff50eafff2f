// A CUPS job's options as the pipeline properties the Windows pipeline would give the filter. For
// a PostScript printer the standard duplex, media type, input slot and colour options become every
// page's feature settings and Collate with the copy count job-level PostScript; a PCL XL printer
// gets them as PJL lines. Our own cv-* options become the items.
#pragma once

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/job/JobFile.h"

// A job option whose value the filter must not put into the job, as the reason for its ERROR:
// line.
class CupsOptionError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct CupsJobOptions {
    // A PDF printer takes its job control as PJL lines, as a PCL XL printer does.
    enum class Language { PostScript, PclXl, Pdf };
    struct Request {
        Language language = Language::PostScript;
        int copies = 1;
        // The document is a finished job and the filter the first of the chain. Otherwise an
        // earlier filter made it from another format, with its copies, collation and page size.
        bool finished = true;
    };

    // "Duplex=TwoSidedLongEdge:MediaType=Plain:MediaPosition=2:ColorMode=Monochrome", as much of
    // it as the options name; empty for none.
    std::string pageFeatures;
    std::string pjl;
    std::string jobLevelPs;
    std::string jobLevelPsComments;
    bool removeStapling = false;
    // Options given with a value the mapping does not know, each as a sentence for the log.
    std::vector<std::string> ignored;

    // The job's options with the queue's PPD defaults for every option the job sets neither under
    // its PPD name nor under its IPP twin (Duplex and sides, InputSlot and media-source, ...).
    static std::map<std::string, std::string> WithDefaults(
        std::map<std::string, std::string> options,
        const std::map<std::string, std::string>& defaults);

    // The mapped options as the job file's properties and every page's features.
    void AddTo(JobFile& job) const;

    // `options` as cupsParseOptions gives them, with the queue's defaults. Throws CupsOptionError
    // for a cv-* text holding an escape (a UEL would end the job's PJL or its encrypted section)
    // or, for cv-pjl, a language switch: it would go out in the clear in front of the job's own.
    static CupsJobOptions Map(const std::map<std::string, std::string>& options,
                              const Request& request);
};
