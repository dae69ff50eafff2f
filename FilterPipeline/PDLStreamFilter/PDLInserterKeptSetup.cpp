// Page features for a document that no driver made: its page setup sections hold its own code (a
// print server's N-up, rotation and scaling, an application's page content), so each page's
// features go into that page's section, in front of its own code, and nothing is dropped.
#include <algorithm>
#include <cstring>

#include "DscVocabulary.h"
#include "PDLInserter.h"

using Dsc::Size;

// The first whole page setup section of the window: the offsets of its "%%BeginPageSetup" and of
// its "%%EndPageSetup".
std::optional<std::pair<DWORD, DWORD>> PDLInserter::FindPageSetup(DWORD n) const {
    const Position b = FindMarker(0, n, Dsc::kBeginPageSetup);
    if (!b) {
        return std::nullopt;
    }
    const Position e = FindMarker(*b, n - *b, Dsc::kEndPageSetup);
    if (!e) {
        return std::nullopt;
    }
    return std::make_pair(*b, *e);
}

// The offset of the second "%%Page:" from `from` on, which starts the page behind the first.
PDLInserter::Position PDLInserter::SecondPageFrom(DWORD from, DWORD n) const {
    const Position first = from < n ? FindMarker(from, n - from, Dsc::kPage) : std::nullopt;
    if (!first || *first + 1 >= n) {
        return std::nullopt;
    }
    return FindMarker(*first + 1, n - *first - 1, Dsc::kPage);
}

// Entry: the window from its first byte; `section` the offsets of the section's two markers. The
// section gets the features of the next page at its start, in front of its own code: their
// setpagedevice resets the page's coordinates (initgraphics), so the document's own N-up,
// rotation and scaling must come behind them. Consumed through "%%EndPageSetup".
DWORD PDLInserter::AddFeaturesToPageSetup(std::pair<DWORD, DWORD> section) {
    const LONG page = ++pageCounter;
    firstPageSetupHandled = true;
    const DWORD begun = section.first + Size(Dsc::kBeginPageSetup);
    const void* lineEnd = std::memchr(buffer.Data() + begun, '\n', section.second - begun);
    const DWORD code =
        lineEnd != nullptr
            ? static_cast<DWORD>(static_cast<const BYTE*>(lineEnd) - buffer.Data()) + 1
            : begun;
    WriteHeld(0, code);
    const std::uint64_t at = account.OutputOffset();
    const CXString features = PageFeatureCode(page);
    DWORD length = 0;
    if (!features.IsBlank()) {
        // The marker keeps its line of its own.
        length = WriteItemText(lineEnd != nullptr ? features : CXString(WIDE("\n")) + features);
    }
    RecordPageFeatures(page, !features.IsBlank(), at, length);
    const DWORD end = section.second + Size(Dsc::kEndPageSetup);
    WriteHeld(code, end);
    return end;
}

// Entry: the window from its first byte. Page one's features go in front of `at` ("%%EndSetup" or
// page one's "%%Page:" line), for a first page without a setup section; consumed up to `at`.
DWORD PDLInserter::AddFirstPageFeaturesAt(DWORD at) {
    pageCounter = 1;
    firstPageSetupHandled = true;
    WriteHeld(0, at);
    const std::uint64_t offset = account.OutputOffset();
    const CXString features = PageFeatureCode(1);
    const DWORD length = features.IsBlank() ? 0 : WriteItemText(features);
    RecordPageFeatures(1, !features.IsBlank(), offset, length);
    return at;
}

// Page one's features: into page one's own section, which is the first section unless a second
// page starts in front of it; else in front of "%%EndSetup", or of page one's "%%Page:" line where
// the setup's end went out already. A "%%EndSetup" whose first page cannot be told yet is passed
// on up to the marker, so that the window moves on without it.
PDLInserter::Position PDLInserter::KeptFirstPageFeatures(DWORD n) {
    const Position s = FindMarker(0, n, Dsc::kEndSetup);
    const DWORD from = s ? *s : 0;
    const auto section = FindPageSetup(n);
    const Position second = SecondPageFrom(from, n);
    if (section && section->first >= from && (!second || section->first < *second)) {
        return AddFeaturesToPageSetup(*section);
    }
    if (s && (second || *s == 0 || n == buffer.Held())) {
        return AddFirstPageFeaturesAt(*s);
    }
    if (s) {
        WriteHeld(0, *s);
        return *s;
    }
    if (second) {
        return AddFirstPageFeaturesAt(*FindMarker(0, n, Dsc::kPage));
    }
    return std::nullopt;
}

PDLInserter::Position PDLInserter::InsertFeaturesKeepingPageSetup(DWORD n) {
    if (pageCounter == 0) {
        return KeptFirstPageFeatures(n);
    }
    const auto section = FindPageSetup(n);
    if (!section) {
        return std::nullopt;
    }
    return AddFeaturesToPageSetup(*section);
}

// Whether the next page's setup stands in front of every graphics group line of the window: its
// features then come before the groups of its page are stripped, whether the document groups its
// pages or not.
bool PDLInserter::PageSetupBeforeGroups(DWORD n) const {
    if (!options.keepPageSetup) {
        return false;
    }
    const Position b = FindMarker(0, n, Dsc::kBeginPageSetup);
    if (!b) {
        return false;
    }
    const Position g = FindMarker(0, n, Dsc::kGroupOpening);
    const Position r = FindMarker(0, n, Dsc::kGroupClosing);
    return (!g || *b < *g) && (!r || *b < *r);
}
