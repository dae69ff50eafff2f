// Job settings from the pipeline property bag and the driver's tables.
#include "JobSettings.h"

#include <utility>

namespace {
// Reads one property into a VARIANT that is cleared however the read ends.
class PropertyValue {
  public:
    PropertyValue(IPrintPipelinePropertyBag* bag, const WCHAR* name) {
        VariantInit(&value);
        succeeded = bag != nullptr && SUCCEEDED(bag->GetProperty(name, &value));
    }
    ~PropertyValue() { VariantClear(&value); }
    PropertyValue(const PropertyValue&) = delete;
    PropertyValue& operator=(const PropertyValue&) = delete;

    bool succeeded = false;
    VARIANT value;
};

std::optional<LONGLONG> IntegerOf(const VARIANT& value) {
    switch (value.vt) {
        case VT_I1:
            return value.cVal;
        case VT_UI1:
            return value.bVal;
        case VT_I2:
            return value.iVal;
        case VT_UI2:
            return value.uiVal;
        case VT_I4:
            return value.lVal;
        case VT_UI4:
            return value.ulVal;
        case VT_INT:
            return value.intVal;
        case VT_UINT:
            return value.uintVal;
        case VT_I8:
            return value.llVal;
        case VT_UI8:
            return value.ullVal <= 0x7FFFFFFFFFFFFFFFull
                       ? std::optional<LONGLONG>(static_cast<LONGLONG>(value.ullVal))
                       : std::nullopt;
        default:
            return std::nullopt;
    }
}
}  // namespace

std::optional<CXString> JobSettings::ReadString(IPrintPipelinePropertyBag* bag, const WCHAR* name) {
    const PropertyValue property(bag, name);
    if (!property.succeeded || property.value.vt != VT_BSTR || property.value.bstrVal == nullptr) {
        return std::nullopt;
    }
    return CXString(property.value.bstrVal, static_cast<int>(SysStringLen(property.value.bstrVal)));
}

bool JobSettings::IsPresent(IPrintPipelinePropertyBag* bag, const WCHAR* name) {
    return PropertyValue(bag, name).succeeded;
}

DWORD JobSettings::ReadPageCount(IPrintPipelinePropertyBag* bag) {
    const PropertyValue property(bag, WIDE("TotalPagedRenderedInPdlOutput"));
    const std::optional<LONGLONG> count =
        property.succeeded ? IntegerOf(property.value) : std::nullopt;
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
