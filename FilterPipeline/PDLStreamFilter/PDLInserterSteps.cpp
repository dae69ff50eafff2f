// The insertion steps of the inserter: each looks for its marker in the window, writes what lies in
// front of it and its own text, and returns how far the buffer is consumed (or nothing).
#include <algorithm>
#include <cstring>

#include "DscVocabulary.h"
#include "PDLInserter.h"
#include "PdlValue.h"
#include "PjlVocabulary.h"

namespace {
constexpr std::string_view kStaplingBegin{"%%BeginFeature:  *Stapling"};
constexpr std::string_view kFeatureEnd{"%%EndFeature"};
constexpr std::string_view kStaplingComment{
    "%% Stapling commands from GPD intentionally removed by advanced PDL filter"};

bool IsBlankOrLineEnd(BYTE c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
}  // namespace

using Dsc::Size;

void PDLInserter::WriteHeld(DWORD from, DWORD to, bool endsSection) {
    to = std::min(to, buffer.Held());
    output.Write(buffer.Data() + from, to > from ? to - from : 0, endsSection);
}

DWORD PDLInserter::WriteItemText(const CXString& text) {
    ByteBuffer bytes;
    bytes.appendAsAnsi_LossyForUnicode(text).appendNullUtf16Char();
    const BYTE* first = bytes.getLpbyte();
    const DWORD count = static_cast<DWORD>(std::find(first, first + bytes.getDword(), 0) - first);
    output.Write(first, count);
    return count;
}

void PDLInserter::WriteStartItems() {
    for (std::size_t index = 0; index < insertionList.size(); ++index) {
        PDLInsertionData& item = insertionList[index];
        if (item.insertionType == AtStreamStart && !item.isInserted) {
            InsertItem(index, item);
        }
    }
}

// Writes the item's text where the output stands and marks the item inserted.
void PDLInserter::InsertItem(std::size_t index, PDLInsertionData& item) {
    const std::uint64_t at = account.OutputOffset();
    const bool encrypted = SectionOpen();
    const DWORD length = WriteItemText(item.insertionText);
    item.isInserted = true;
    Record("item", [&] {
        return OperationAccount::Fields{
            {"index", index},        {"type", item.insertionType},
            {"inserted", true},      {"outputOffset", at},
            {"length", length},      {"outputLength", account.OutputOffset() - at},
            {"encrypted", encrypted}};
    });
}

PDLInserter::Position PDLInserter::InsertItemsAtMarker(DWORD n, std::string_view marker,
                                                       DWORD itemType) {
    if (std::none_of(insertionList.begin(), insertionList.end(),
                     [itemType](const PDLInsertionData& item) {
                         return item.insertionType == itemType && !item.isInserted;
                     })) {
        return std::nullopt;
    }
    const Position m = FindMarker(0, n, marker);
    if (!m) {
        return std::nullopt;
    }
    WriteHeld(0, *m);
    for (std::size_t index = 0; index < insertionList.size(); ++index) {
        PDLInsertionData& item = insertionList[index];
        if (item.insertionType == itemType && !item.isInserted) {
            InsertItem(index, item);
        }
    }
    WriteHeld(*m, *m + Size(marker));
    languageLineSplit = itemType == BeforePjlEnterLanguage;
    return *m + Size(marker);
}

// The line that opens the encrypted section in this window: one that only PJL stands in front of,
// since the bytes in front of it go out plain. When the item step has just taken
// "@PJL ENTER LANGUAGE" of that line, the rest of the line at the front of the buffer counts too:
// an inserted item must not send a job with a pass phrase out in the clear.
PDLInserter::SwitchLine PDLInserter::LocateSectionOpening(DWORD n, bool splitLine) const {
    if (!Encrypts() || SectionOpen()) {
        return std::nullopt;
    }
    const std::string_view language = PjlLanguageSwitch::LanguageName(options.pdlType);
    DWORD from = 0;
    if (splitLine) {
        if (const auto rest =
                PjlLanguageSwitch::MatchRest(buffer.Data(), buffer.Held(), language)) {
            return PjlLanguageSwitch::Line{0, *rest};
        }
        // A switch to another language: the job's PJL goes on behind that line's end.
        const void* lineEnd = std::memchr(buffer.Data(), '\n', buffer.Held());
        if (lineEnd == nullptr) {
            return std::nullopt;
        }
        from = static_cast<DWORD>(static_cast<const BYTE*>(lineEnd) - buffer.Data()) + 1;
    }
    if (from >= n) {
        return std::nullopt;
    }
    SwitchLine line = PjlLanguageSwitch::FindInPjl(buffer.Data() + from, n - from,
                                                   buffer.Held() - from, language);
    if (line) {
        line->offset += from;
    }
    return line;
}

PDLInserter::Position PDLInserter::SwitchLanguage(const SwitchLine& opening, bool splitLine) {
    if (options.pdlType == PdlValue::Xps) {
        encryption->OpenSection();
        return std::nullopt;
    }
    if (!opening) {
        return std::nullopt;
    }
    // The rest of a split line follows its "@PJL ENTER LANGUAGE", which went out plain right
    // before it: the record names the whole line.
    const DWORD taken = splitLine && opening->offset == 0 ? Size(Pjl::kEnterLanguage) : 0;
    const std::uint64_t at = account.OutputOffset() + opening->offset - taken;
    WriteHeld(0, opening->End());
    encryption->OpenSection();
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
    const std::uint64_t at = account.OutputOffset();
    output.Write(kStaplingComment);
    Record("staplingRemoved", [&] {
        return OperationAccount::Fields{{"inputOffset", inputOffset + *b},
                                        {"bytesRemoved", *f + Size(kFeatureEnd) - *b},
                                        {"outputOffset", at},
                                        {"commentLength", Size(kStaplingComment)}};
    });
    return *f + Size(kFeatureEnd);
}

PDLInserter::Position PDLInserter::ApplyDirectFaxMode(DWORD n) {
    const Position m = FindMarker(0, n, Pjl::kBareJobLine);
    if (!m) {
        return std::nullopt;
    }
    directFaxPending = false;
    WriteHeld(0, *m);
    const std::uint64_t at = account.OutputOffset();
    output.Write(Pjl::kFaxJobLine);
    Record("directFax", [&] {
        return OperationAccount::Fields{{"inputOffset", inputOffset + *m},
                                        {"outputOffset", at},
                                        {"length", Size(Pjl::kFaxJobLine)}};
    });
    return *m + Size(Pjl::kBareJobLine);
}

PDLInserter::Position PDLInserter::StripGraphicsGroups(DWORD n) {
    const Position g = FindMarker(0, n, Dsc::kGroupOpening);
    const Position r = FindMarker(0, n, Dsc::kGroupClosing);
    if (g && (!r || *r > *g)) {
        groupsRemoved += groupDepth == 0 ? 1 : 0;
        WriteHeld(0, groupDepth == 0 ? *g : *g + Size(Dsc::kGroupOpening));
        ++groupDepth;
        return *g + Size(Dsc::kGroupOpening);
    }
    if (!r) {
        return std::nullopt;
    }
    WriteHeld(0, groupDepth == 1 ? *r : *r + Size(Dsc::kGroupClosing));
    if (--groupDepth == 0) {
        pageContentState = 0;
    }
    return *r + Size(Dsc::kGroupClosing);
}

// A UEL ends the section only where PJL follows it; one inside the document goes on encrypted with
// the rest of it. When the PJL behind a UEL runs past the bytes held, what stands in front of the
// UEL goes on, so that the next cycle sees the UEL at the front of a full buffer; PJL longer than
// the buffer is not a job's own and leaves the UEL to the document.
PDLInserter::Position PDLInserter::CloseEncryptedSection(DWORD n, bool endOfInput) {
    const std::string_view language = PjlLanguageSwitch::LanguageName(options.pdlType);
    for (Position u = FindMarker(0, n, Pjl::kUel); u;
         u = FindMarker(*u + 1, n - *u - 1, Pjl::kUel)) {
        const auto end = PjlLanguageSwitch::EndOfSection(buffer.Data() + *u, buffer.Held() - *u,
                                                         endOfInput, language, windowLimit);
        if (end == PjlLanguageSwitch::SectionEnd::EndsBeforeSwitch) {
            encryption->MoreSectionsFollow();
        }
        if (end == PjlLanguageSwitch::SectionEnd::Ends ||
            end == PjlLanguageSwitch::SectionEnd::EndsBeforeSwitch) {
            WriteHeld(0, *u, true);
            return *u;
        }
        if (end == PjlLanguageSwitch::SectionEnd::Undecided && *u > 0) {
            WriteHeld(0, *u);
            return *u;
        }
    }
    return std::nullopt;
}

// Ends the job: the driver's closing sequence gives way to the job's own trailer where it ends the
// input, blanks and line ends behind it aside, which go on behind the trailer; one further in
// front belongs to a job that more input follows and goes on unchanged, as does everything behind
// it. Without one the held bytes are the job's last (an XPS job's trailer follows its encrypted
// section).
void PDLInserter::FinishStream() {
    const DWORD held = buffer.Held();
    const Position c = ClosingSequenceAtEnd(held);
    if (!c) {
        WriteHeld(0, held, true);
        const std::optional<std::uint64_t> xpsTrailer =
            encryption != nullptr ? encryption->XpsTrailerOffset() : std::nullopt;
        RecordJobEnd(xpsTrailer ? "appended" : "none",
                     xpsTrailer ? *xpsTrailer : account.OutputOffset());
        return;
    }
    const DWORD behind = *c + Size(Pjl::kClosingSequence);
    WriteHeld(0, *c);
    const std::uint64_t at = account.OutputOffset();
    output.Write(Pjl::kJobTrailer, behind == held);
    if (behind != held) {
        WriteHeld(behind, held, true);
    }
    RecordJobEnd("replacedClosingSequence", at);
}

PDLInserter::Position PDLInserter::ClosingSequenceAtEnd(DWORD held) const {
    const BYTE* const bytes = buffer.Data();
    DWORD end = held;
    while (end > 0 && IsBlankOrLineEnd(bytes[end - 1])) {
        --end;
    }
    const DWORD size = Size(Pjl::kClosingSequence);
    if (end < size || std::memcmp(bytes + end - size, Pjl::kClosingSequence.data(), size) != 0) {
        return std::nullopt;
    }
    return end - size;
}
