// The pipeline properties by which a host chooses how the filter treats a job's document; a host
// that sets none gets the Windows driver's treatment.
#pragma once

#include "seam/Win32Seam.h"

// VT_BOOL, true: the document's page setup sections are its own and are kept, each page's
// features going at the start of its section (a document that no driver made).
inline constexpr const WCHAR* kPDLStreamFilterKeepPageSetupProperty =
    WIDE("PDLStreamFilterKeepPageSetup");
