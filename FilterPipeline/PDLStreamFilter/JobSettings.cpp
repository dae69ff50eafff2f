// Job settings from the pipeline property bag and the driver's tables.
#include "JobSettings.h"

#include <utility>

#include "PDLStreamFilterModes.h"
#include "companion/Utilities/PipelineProperty.h"

std::optional<CXString> JobSettings::ReadString(IPrintPipelinePropertyBag* bag, const WCHAR* name) {
    return PipelineProperty(bag, name).String();
}

bool JobSettings::IsPresent(IPrintPipelinePropertyBag* bag, const WCHAR* name) {
    return PipelineProperty(bag, name).Present();
}

DWORD JobSettings::ReadPageCount(IPrintPipelinePropertyBag* bag) {
    const std::optional<LONGLONG> count =
        PipelineProperty(bag, WIDE("TotalPagedRenderedInPdlOutput")).Integer();
    return count && *count >= 0 && *count <= 0xFFFFFFFFLL ? static_cast<DWORD>(*count) : 0;
}

void JobSettings::ReadPipelineProperties(IPrintPipelinePropertyBag* bag, LONG driverPdl) {
    const std::pair<const WCHAR*, CXString*> texts[] = {
        {WIDE("Corvo_PjlToInsert"), &pjlToInsert},
        {WIDE("Corvo_PclmCustomTicketToInsert"), &pclmCustomTicket},
        {WIDE("Corvo_JobLevelPsToInsert"), &jobLevelPs},
        {WIDE("Corvo_JobLevelPsCommentsToInsert"), &jobLevelPsComments},
    };
    for (const auto& [name, target] : texts) {
        if (auto text = ReadString(bag, name)) {
            *target = std::move(*text);
        }
    }
    removeNativeStapling = IsPresent(bag, WIDE("RemoveNativeStaplingFlag"));
    legacyGreenFax = IsPresent(bag, WIDE("LegacyGreenFax"));
    keepPageSetup =
        PipelineProperty(bag, kPDLStreamFilterKeepPageSetupProperty).Flag().value_or(false);
    if (auto text = ReadString(bag, WIDE("PDLEncryptionPassPhrase"))) {
        passPhrase = std::move(*text);
    }
    if (driverPdl != PdlValue::Xps) {
        if (auto text = ReadString(bag, WIDE("Corvo_QcptForNonXps"))) {
            qcptTicket = std::move(*text);
        }
    }
}

CXString JobSettings::MimeTypeOfPrintReadyFile(LONG printReadyFilePdl) {
    switch (printReadyFilePdl) {
        case 8630:
            return CXString(WIDE("application/postscript"));
        case 8631:
            return CXString(WIDE("application/vnd.hp-PCL"));
        case 8632:
            return CXString(WIDE("application/vnd.hp-PCLXL"));
        case 8633:
            return CXString(WIDE("application/vnd.ms-xpsdocument"));
        case 8634:
            return CXString(WIDE("application/octet-stream"));
        case 8635:
            return CXString(WIDE("application/pdf"));
        case 8636:
            return CXString(WIDE("application/pclm"));
        case 11121:
            return CXString(WIDE("image/tiff"));
        case 11122:
            return CXString(WIDE("image/jpeg"));
        case 11123:
            return CXString(WIDE("image/png"));
        case 11124:
            return CXString(WIDE("image/bmp"));
        case 11125:
            return CXString(WIDE("application/vnd.hp-HPGL"));
        case 11126:
            return CXString(WIDE("text/plain"));
        default:
            return CXString();
    }
}

CXString JobSettings::MimeTypeOfDriverPdl(LONG driverPdl) {
    switch (driverPdl) {
        case PdlValue::PclXl:
            return CXString(WIDE("application/vnd.hp-PCLXL"));
        case PdlValue::PostScript:
            return CXString(WIDE("application/postscript"));
        case PdlValue::Pdf:
            return CXString(WIDE("application/pdf"));
        case PdlValue::Pclm:
            return CXString(WIDE("application/pclm"));
        default:
            return CXString();
    }
}

CXString JobSettings::DomainOfSamCompatibleName(const CXString& name) {
    const int backslash = name.Find(WIDE('\\'));
    return backslash > 0 ? name.Left(backslash) : name;
}
