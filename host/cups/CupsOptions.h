// A CUPS job's options as the pipeline properties the Windows pipeline would give the filter: the
// standard duplex, media type, input slot and colour options become every page's feature settings,
// Collate and the copy count the job-level PostScript, and our own cv-* options the items.
#pragma once

#include <map>
#include <string>
#include <vector>

struct CupsJobOptions {
    // "Duplex=TwoSidedLongEdge:MediaType=Plain:MediaPosition=2:ColorMode=Monochrome", as much of
    // it as the options name; empty for none.
    std::string pageFeatures;
    std::string pjl;
    std::string jobLevelPs;
    std::string jobLevelPsComments;
    bool removeStapling = false;
    // Options given with a value the mapping does not know, each as a sentence for the log.
    std::vector<std::string> ignored;

    // `options` as cupsParseOptions gives them; `copies` from the command line.
    static CupsJobOptions Map(const std::map<std::string, std::string>& options, int copies);
};
