// Everything that decides a job's treatment, gathered before the copy: what the pipeline's other
// parties left in the property bag, the driver's PDL and product flags, the spooler's job record
// and the user. A missing or unusable property is never an error: each setting has its default.
#pragma once

#include <optional>

#include "PdlValue.h"
#include "companion/Utilities/CXString.h"
#include "seam/FilterPipelineInterfaces.h"

struct JobSettings {
    CXString jobDocumentName;
    CXString jobUserName;
    CXString userDomain;
    CXString mimeType;
    DWORD pageCount = 0;
    CXString pjlToInsert;
    CXString pclmCustomTicket;
    CXString jobLevelPs;
    CXString jobLevelPsComments;
    bool removeNativeStapling = false;
    bool legacyGreenFax = false;
    CXString passPhrase;
    CXString qcptTicket;
    bool qfciCompliant = false;
    bool fullQpifSupported = false;
    bool greenSeparatorFixUp = false;
    bool requiresBothPjlAndQcpt = false;
    // The host's choice for a document that no driver made (PDLStreamFilterModes.h).
    bool keepPageSetup = false;

    // The text settings and presence flags of the pipeline property bag; the ticket only when the
    // driver's PDL is not XPS.
    void ReadPipelineProperties(IPrintPipelinePropertyBag* bag, LONG driverPdl);

    // A string property's text; none when the read fails or the value is not a (non-null) string.
    static std::optional<CXString> ReadString(IPrintPipelinePropertyBag* bag, const WCHAR* name);
    // Whether a property is there at all, whatever its value.
    static bool IsPresent(IPrintPipelinePropertyBag* bag, const WCHAR* name);
    // "TotalPagedRenderedInPdlOutput": an integer of any width that is a page count (0 to
    // 4,294,967,295) gives that count exactly; anything else counts as absent (0).
    static DWORD ReadPageCount(IPrintPipelinePropertyBag* bag);

    static CXString MimeTypeOfPrintReadyFile(LONG printReadyFilePdl);
    static CXString MimeTypeOfDriverPdl(LONG driverPdl);
    // The domain of a SAM-compatible name "DOMAIN\user"; a name without a backslash, or one that
    // starts with it, stays whole.
    static CXString DomainOfSamCompatibleName(const CXString& name);
};
