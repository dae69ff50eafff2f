// The insertion steps of the inserter: each looks for its marker in the window, writes what lies in
// front of it and its own text, and returns how far the buffer is consumed (or nothing).
#include <algorithm>

#include "PDLInserter.h"
#include "PdlValue.h"

namespace {
constexpr std::string_view kUel{"\x1b%-12345X", 9};
constexpr std::string_view kClosingSequence{"\x1b%-12345X\x1b%-12345X@PJL EOJ\r\n\x1b%-12345X", 37};
constexpr std::string_view kJobTrailer{"\x1b%-12345X@PJL EOJ\r\n\x1b%-12345X", 28};
constexpr std::string_view kStaplingBegin{"%%BeginFeature:  *Stapling"};
constexpr std::string_view kFeatureEnd{"%%EndFeature"};
constexpr std::string_view kStaplingComment{
    "%% Stapling commands from GPD intentionally removed by advanced PDL filter"};
constexpr std::string_view kBareJobLine{"@PJL JOB\r\n"};
constexpr std::string_view kFaxJobLine{"@PJL JOB MODE=DIRECTFAX\r\n"};
constexpr std::string_view kEnterLanguage{"@PJL ENTER LANGUAGE"};
constexpr std::string_view kGroupOpening{"gsave simpInitG\n"};
constexpr std::string_view kGroupClosing{"grestore\n"};
constexpr std::string_view kPageSetupBegin{"%%BeginPageSetup"};
constexpr std::string_view kPageSetupEnd{"%%EndPageSetup"};

const BYTE* Bytes(std::string_view text) {
    return reinterpret_cast<const BYTE*>(text.data());
}
DWORD Size(std::string_view text) {
    return static_cast<DWORD>(text.size());
}

}  // namespace

PDLInserter::Position PDLInserter::InsertItemsAtMarker(DWORD n, std::string_view marker,
                                                       DWORD itemType) {
    if (insertionList == nullptr || std::none_of(insertionList->begin(), insertionList->end(),
                                                 [itemType](const PDLInsertionData& item) {
                                                     return item.insertionType == itemType &&
                                                            !item.isInserted;
                                                 })) {
        return std::nullopt;
    }
    const Position m = FindMarker(0, n, marker);
    if (!m) {
        return std::nullopt;
    }
    WriteHeld(0, *m);
    for (std::size_t index = 0; index < insertionList->size(); ++index) {
        PDLInsertionData& item = (*insertionList)[index];
        if (item.insertionType == itemType && !item.isInserted) {
            InsertItem(index, item);
        }
    }
    WriteHeld(*m, *m + Size(marker));
    languageLineSplit = itemType == BeforePjlEnterLanguage;
    return *m + Size(marker);
}

// The line that opens the encrypted section in this window. When the item step has just taken
// "@PJL ENTER LANGUAGE" of that line, the rest of the line at the front of the buffer counts too:
// an inserted item must not send a job with a pass phrase out in the clear.
PDLInserter::SwitchLine PDLInserter::LocateSectionOpening(DWORD n, bool splitLine) const {
    if (!encryptionConfigured || encryptionActive) {
        return std::nullopt;
    }
    const std::string_view language = PjlLanguageSwitch::LanguageName(pdlType);
    if (splitLine) {
        if (const auto rest =
                PjlLanguageSwitch::MatchRest(buffer.Data(), buffer.Held(), language)) {
            return PjlLanguageSwitch::Line{0, *rest};
        }
    }
    return PjlLanguageSwitch::Find(buffer.Data(), n, buffer.Held(), language);
}

PDLInserter::Position PDLInserter::SwitchLanguage(const SwitchLine& opening, bool splitLine) {
    if (pdlType == PdlValue::Xps) {
        encryptionActive = true;
        return std::nullopt;
    }
    if (!opening) {
        return std::nullopt;
    }
    // The rest of a split line follows its "@PJL ENTER LANGUAGE", which went out plain right
    // before it: the record names the whole line.
    const DWORD taken = splitLine && opening->offset == 0 ? Size(kEnterLanguage) : 0;
    const std::uint64_t at = account->OutputOffset() + opening->offset - taken;
    WriteHeld(0, opening->End());
    encryptionActive = true;
    Record("languageSwitch", [&] {
        return OperationAccount::Fields{{"outputOffset", at},
                                        {"inputOffset", inputOffset + opening->offset - taken},
                                        {"length", opening->length + taken}};
    });
    return opening->End();
}

// A begin marker whose end marker does not start within the window is left for a later window:
// nothing is written, and the removal stays pending.
PDLInserter::Position PDLInserter::RemoveNativeStapling(DWORD n) {
    const Position b = FindMarker(0, n, kStaplingBegin);
    if (!b) {
        return std::nullopt;
    }
    const Position f = FindMarker(*b, n - *b, kFeatureEnd);
    if (!f) {
        return std::nullopt;
    }
    staplingRemovalPending = false;
    WriteHeld(0, *b);
    const std::uint64_t at = account->OutputOffset();
    WriteBlock(Bytes(kStaplingComment), Size(kStaplingComment), false);
    Record("staplingRemoved", [&] {
        return OperationAccount::Fields{{"inputOffset", inputOffset + *b},
                                        {"bytesRemoved", *f + Size(kFeatureEnd) - *b},
                                        {"outputOffset", at},
                                        {"commentLength", Size(kStaplingComment)}};
    });
    return *f + Size(kFeatureEnd);
}

PDLInserter::Position PDLInserter::ApplyDirectFaxMode(DWORD n) {
    const Position m = FindMarker(0, n, kBareJobLine);
    if (!m) {
        return std::nullopt;
    }
    directFaxPending = false;
    WriteHeld(0, *m);
    const std::uint64_t at = account->OutputOffset();
    WriteBlock(Bytes(kFaxJobLine), Size(kFaxJobLine), false);
    Record("directFax", [&] {
        return OperationAccount::Fields{
            {"inputOffset", inputOffset + *m}, {"outputOffset", at}, {"length", Size(kFaxJobLine)}};
    });
    return *m + Size(kBareJobLine);
}

PDLInserter::Position PDLInserter::StripGraphicsGroups(DWORD n) {
    const Position g = FindMarker(0, n, kGroupOpening);
    const Position r = FindMarker(0, n, kGroupClosing);
    if (g && (!r || *r > *g)) {
        groupsRemoved += groupDepth == 0 ? 1 : 0;
        WriteHeld(0, groupDepth == 0 ? *g : *g + Size(kGroupOpening));
        ++groupDepth;
        return *g + Size(kGroupOpening);
    }
    if (!r) {
        return std::nullopt;
    }
    WriteHeld(0, groupDepth == 1 ? *r : *r + Size(kGroupClosing));
    if (--groupDepth == 0) {
        pageContentState = 0;
    }
    return *r + Size(kGroupClosing);
}

// A UEL ends the section only where PJL follows it; one inside the document goes on encrypted with
// the rest of it. When the PJL behind a UEL runs past the bytes held, what stands in front of the
// UEL goes on, so that the next cycle sees the UEL at the front of a full buffer; PJL longer than
// the buffer is not a job's own and leaves the UEL to the document.
PDLInserter::Position PDLInserter::CloseEncryptedSection(DWORD n, bool endOfInput) {
    const std::string_view language = PjlLanguageSwitch::LanguageName(pdlType);
    for (Position u = FindMarker(0, n, kUel); u; u = FindMarker(*u + 1, n - *u - 1, kUel)) {
        const auto end = PjlLanguageSwitch::EndOfSection(buffer.Data() + *u, buffer.Held() - *u,
                                                         endOfInput, language);
        if (end == PjlLanguageSwitch::SectionEnd::Ends) {
            WriteBlock(buffer.Data(), *u, true);
            encryptionActive = false;
            return *u;
        }
        if (end == PjlLanguageSwitch::SectionEnd::Undecided && *u > 0) {
            WriteHeld(0, *u);
            return *u;
        }
    }
    return std::nullopt;
}

void PDLInserter::FinishStream() {
    const DWORD held = buffer.Held();
    const Position c = FindMarker(0, held, kClosingSequence);
    if (!c) {
        WriteBlock(buffer.Data(), held, true);
        RecordJobEnd(xpsTrailerWritten ? "appended" : "none",
                     xpsTrailerWritten ? xpsTrailerOffset : account->OutputOffset());
        return;
    }
    WriteBlock(buffer.Data(), *c, false);
    const std::uint64_t at = account->OutputOffset();
    WriteBlock(Bytes(kJobTrailer), Size(kJobTrailer), true);
    RecordJobEnd("replacedClosingSequence", at);
}

// Page-level features of a PostScript job: page one's code in front of "%%EndSetup" (or in page
// one's own setup section), every later page's code in place of its setup section.
PDLInserter::Position PDLInserter::InsertPageLevelFeatures(DWORD n) {
    const Position comment = DriverHeaderComment(n);
    if (pdlType != PdlValue::PostScript) {
        return std::nullopt;
    }
    DWORD i = 0;
    DWORD e = 0;
    const Position endSetup = pageCounter == 0 ? FindMarker(0, n, "%%EndSetup") : std::nullopt;
    if (endSetup) {
        i = e = *endSetup;
    } else {
        const Position b = FindMarker(0, n, kPageSetupBegin);
        const DWORD searchEnd = (comment ? *comment : 0) + n;
        if (!b || searchEnd <= *b) {
            return std::nullopt;
        }
        const Position end = FindMarker(*b, searchEnd - *b, kPageSetupEnd);
        if (!end) {
            return std::nullopt;
        }
        i = *b;
        e = *end + Size(kPageSetupEnd);
    }
    // The bytes in front of "@PJL COMMENT" are dropped only when it stands in front of the
    // insertion point; one behind it does not concern this insertion.
    const DWORD w = comment && *comment <= i ? *comment : 0;
    if (!firstPageSetupHandled && pageCounter == 1) {
        firstPageSetupHandled = true;
        WriteHeld(w, i);
        return e;
    }
    const LONG page = ++pageCounter;
    const CXString features = PageFeatureCode(page);
    if (!endSetup && page == 1) {
        firstPageSetupHandled = true;
    }
    WriteHeld(w, i);
    const std::uint64_t at = account->OutputOffset();
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
        WriteBlock(reinterpret_cast<const BYTE*>(kEmptySection.data()), Size(kEmptySection), false);
        return Size(kEmptySection);
    }
    return WriteItemText(CXString(WIDE("%%BeginPageSetup\n")) + features +
                         WIDE("\n%%EndPageSetup\n"));
}

// "@PJL COMMENT" of the driver's own PJL header, which a language switch follows in the window;
// the same text anywhere else is document content.
PDLInserter::Position PDLInserter::DriverHeaderComment(DWORD n) const {
    const Position comment = FindMarker(0, n, "@PJL COMMENT");
    if (!comment || !FindMarker(*comment, n - *comment, "@PJL ENTER LANGUAGE")) {
        return std::nullopt;
    }
    return comment;
}

// The feature code of one page: its property "PAGE_LEVEL_FEATURES_DELTA_FOR_PAGE_<page>" split at
// ":" into settings, turned into PostScript by the generator that fits the product. A property that
// is missing, not a string, or blank gives no code.
CXString PDLInserter::PageFeatureCode(LONG page) {
    if (!propertyBag) {
        return CXString();
    }
    CXString name;
    name.Format(WIDE("PAGE_LEVEL_FEATURES_DELTA_FOR_PAGE_%d"), page);
    VARIANT value;
    VariantInit(&value);
    CXString code;
    try {
        if (SUCCEEDED(propertyBag->GetProperty(name.GetString(), &value)) && value.vt == VT_BSTR &&
            value.bstrVal != nullptr && pageLevelGenerator) {
            const CXString settingsText(value.bstrVal,
                                        static_cast<int>(SysStringLen(value.bstrVal)));
            std::vector<CXString> settings;
            int position = 0;
            for (CXString token = settingsText.Tokenize(WIDE(":"), position); position != -1;
                 token = settingsText.Tokenize(WIDE(":"), position)) {
                settings.push_back(token);
            }
            if (!settingsText.IsBlank()) {
                code =
                    bothPjlAndTicket
                        ? pageLevelGenerator->GenerateQCPTAndProductSpecificPDLPageLevelPostScript(
                              settings)
                    : genericPageLevelFeatures
                        ? pageLevelGenerator->GenerateQCPTBasedPageLevelPostScript(settings)
                        : pageLevelGenerator->GeneratePDLFromProductData(settings);
            }
        }
    } catch (...) {
        VariantClear(&value);
        throw;
    }
    VariantClear(&value);
    return code;
}
