// The page features of a PostScript job: each page's settings from the pipeline, turned into
// PostScript by the generator that fits the product, in place of the page's setup section.
#include "DscVocabulary.h"
#include "PDLInserter.h"
#include "PjlVocabulary.h"
#include "companion/Utilities/PipelineProperty.h"

using Dsc::Size;

// Page-level features of a PostScript job: page one's code in front of "%%EndSetup" (or in page
// one's own setup section), every later page's code in place of its setup section.
PDLInserter::Position PDLInserter::InsertPageLevelFeatures(DWORD n) {
    if (options.pdlType != PdlValue::PostScript) {
        return std::nullopt;
    }
    if (options.keepPageSetup) {
        return InsertFeaturesKeepingPageSetup(n);
    }
    const Position comment = DriverHeaderComment(n);
    DWORD i = 0;
    DWORD e = 0;
    const Position endSetup = pageCounter == 0 ? FindMarker(0, n, Dsc::kEndSetup) : std::nullopt;
    if (endSetup) {
        i = e = *endSetup;
    } else {
        const Position b = FindMarker(0, n, Dsc::kBeginPageSetup);
        const DWORD searchEnd = (comment ? *comment : 0) + n;
        if (!b || searchEnd <= *b) {
            return std::nullopt;
        }
        const Position end = FindMarker(*b, searchEnd - *b, Dsc::kEndPageSetup);
        if (!end) {
            return std::nullopt;
        }
        i = *b;
        e = *end + Size(Dsc::kEndPageSetup);
    }
    // The bytes in front of "@PJL COMMENT" are dropped only when it stands in front of the
    // insertion point; one behind it does not concern this insertion.
    const DWORD w = comment && *comment <= i ? *comment : 0;
    RecordDropped(0, w, 0);
    if (!firstPageSetupHandled && pageCounter == 1) {
        firstPageSetupHandled = true;
        WriteHeld(w, i);
        RecordDropped(i, e, 1);
        return e;
    }
    const LONG page = ++pageCounter;
    const CXString features = PageFeatureCode(page);
    if (!endSetup && page == 1) {
        firstPageSetupHandled = true;
    }
    WriteHeld(w, i);
    RecordDropped(i, e, page);
    const std::uint64_t at = account.OutputOffset();
    const DWORD length = WritePageFeatures(page, features);
    RecordPageFeatures(page, !features.IsBlank(), at, length);
    return e;
}

// Page one's code goes out as it is, every later page's in a setup section of its own. Most pages
// have no features, and their empty section is the same bytes every time: it needs no conversion.
DWORD PDLInserter::WritePageFeatures(LONG page, const CXString& features) {
    if (page == 1) {
        return features.IsBlank() ? 0 : WriteItemText(features);
    }
    if (features.IsEmpty()) {
        static constexpr std::string_view kEmptySection{"%%BeginPageSetup\n\n%%EndPageSetup\n"};
        output.Write(kEmptySection);
        return Size(kEmptySection);
    }
    return WriteItemText(CXString(WIDE("%%BeginPageSetup\n")) + features +
                         WIDE("\n%%EndPageSetup\n"));
}

// "@PJL COMMENT" of the driver's own PJL header, in front of the job's first language switch; the
// same text anywhere behind it is document content, of which nothing may be dropped.
PDLInserter::Position PDLInserter::DriverHeaderComment(DWORD n) const {
    if (inputOffset >= headerEnd) {
        return std::nullopt;
    }
    const Position comment = FindMarker(0, n, Pjl::kComment);
    if (!comment || inputOffset + *comment >= headerEnd) {
        return std::nullopt;
    }
    return comment;
}

// The feature code of one page: its property "PAGE_LEVEL_FEATURES_DELTA_FOR_PAGE_<page>" split at
// ":" into settings, turned into PostScript by the generator that fits the product. A property that
// is missing, not a string, or blank gives no code.
CXString PDLInserter::PageFeatureCode(LONG page) {
    CXString name;
    name.Format(WIDE("PAGE_LEVEL_FEATURES_DELTA_FOR_PAGE_%d"), page);
    const std::optional<CXString> settingsText =
        options.propertyBag ? PipelineProperty(options.propertyBag.Get(), name.GetString()).String()
                            : std::nullopt;
    if (!settingsText || !pageLevelGenerator || settingsText->IsBlank()) {
        return CXString();
    }
    std::vector<CXString> settings;
    int position = 0;
    for (CXString token = settingsText->Tokenize(WIDE(":"), position); position != -1;
         token = settingsText->Tokenize(WIDE(":"), position)) {
        settings.push_back(token);
    }
    if (options.requiresBothPjlAndQcpt) {
        return pageLevelGenerator->GenerateQCPTAndProductSpecificPDLPageLevelPostScript(settings);
    }
    return genericPageLevelFeatures
               ? pageLevelGenerator->GenerateQCPTBasedPageLevelPostScript(settings)
               : pageLevelGenerator->GeneratePDLFromProductData(settings);
}
