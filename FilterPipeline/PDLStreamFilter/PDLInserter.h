// The engine that copies a job's PDL stream to its output and performs every insertion on the
// way: items at their markers, the stapling block taken out, the fax job line, page features, the
// encrypted section from the language switch on, and the job's own trailer at the end.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>

#include "EncryptingOutput.h"
#include "OperationAccount.h"
#include "PDLInsertionData.h"
#include "PdlOutput.h"
#include "PdlStreamBuffer.h"
#include "PdlValue.h"
#include "PjlLanguageSwitch.h"
#include "companion/FilterUtilities/PostScriptPageLevelPDLHelper.h"
#include "companion/Utilities/CPString.h"
#include "companion/Utilities/ComReference.h"
#include "seam/FilterPipelineInterfaces.h"

struct InserterOptions {
    LONG pdlType = PdlValue::NoneKnown;
    bool removeNativeStapling = false;
    bool legacyGreenFax = false;
    // The product wants its own page feature code and the built-in one behind it.
    bool requiresBothPjlAndQcpt = false;
    // The product's page feature tables (XML); empty: the built-in ones.
    CPString productPdlData{};
    // Where the page features of each page are read from.
    ComReference<IPrintPipelinePropertyBag> propertyBag{};
    // False makes the copy redo every search and shift (PdlStreamBuffer): the fuzz target holds
    // the two ways to the same reads and writes.
    bool reuseSearches = true;
    // The document's page setup sections are its own: each page's features go at the start of its
    // section, and nothing of the input is dropped for them (a document no driver made).
    bool keepPageSetup = false;
};

class PDLInserter {
  public:
    // With an EncryptingOutput the job leaves encrypted from its language switch on. The output,
    // the read stream and the items outlive the inserter.
    PDLInserter(PdlOutput& output, IPrintReadStream* readStream, PDLInsertionDataList& items,
                const InserterOptions& options);
    ~PDLInserter();
    PDLInserter(const PDLInserter&) = delete;
    PDLInserter& operator=(const PDLInserter&) = delete;

    // Makes the copy stop at its next cycle once `requested` is set, from any thread: nothing more
    // is read or written, and it ends with HRESULT_FROM_WIN32(ERROR_CANCELLED).
    void StopWhenRequested(const std::atomic<bool>& requested) noexcept {
        output.StopWhenRequested(requested);
    }

    // The ordinary copy of the read stream. Throws a CPComException when the input cannot be read
    // or a write failed, after what could be written was written. With a pass phrase, a stream
    // that cannot be encrypted is refused before any of it is written.
    void CopyStream();

  private:
    using Position = std::optional<DWORD>;
    using SwitchLine = std::optional<PjlLanguageSwitch::Line>;

    bool Refill(bool endOfInput);
    void ReadIntoBuffer(DWORD wanted, bool& endOfInput);
    DWORD Window(bool endOfInput) const;
    void RefuseUnencryptableStream(DWORD n) const;
    void MarkHeaderEnd(DWORD n);
    Position OfferWindow(DWORD n, bool endOfInput);
    Position OfferPostScriptSteps(DWORD n);

    Position FindMarker(DWORD start, DWORD count, std::string_view marker) const {
        return buffer.FindMarker(start, count, marker);
    }
    bool Encrypts() const noexcept { return encryption != nullptr; }
    bool SectionOpen() const noexcept { return encryption != nullptr && encryption->SectionOpen(); }
    void WriteHeld(DWORD from, DWORD to, bool endsSection = false);
    // Writes the text's ANSI bytes up to its first U+0000; returns their count.
    DWORD WriteItemText(const CXString& text);
    void WriteStartItems();
    void InsertItem(std::size_t index, PDLInsertionData& item);

    Position InsertItemsAtMarker(DWORD n, std::string_view marker, DWORD itemType);
    SwitchLine LocateSectionOpening(DWORD n, bool splitLine) const;
    Position SwitchLanguage(const SwitchLine& opening, bool splitLine);
    Position RemoveNativeStapling(DWORD n);
    Position ApplyDirectFaxMode(DWORD n);
    Position InsertPageLevelFeatures(DWORD n);
    Position DriverHeaderComment(DWORD n) const;
    Position InsertFeaturesKeepingPageSetup(DWORD n);
    Position KeptFirstPageFeatures(DWORD n);
    std::optional<std::pair<DWORD, DWORD>> FindPageSetup(DWORD n) const;
    Position SecondPageFrom(DWORD from, DWORD n) const;
    DWORD AddFeaturesToPageSetup(std::pair<DWORD, DWORD> section);
    DWORD AddFirstPageFeaturesAt(DWORD at);
    bool PageSetupBeforeGroups(DWORD n) const;
    Position StripGraphicsGroups(DWORD n);
    Position CloseEncryptedSection(DWORD n, bool endOfInput);
    void FinishStream();
    // The closing sequence that ends the `held` bytes but for blanks and line ends behind it.
    Position ClosingSequenceAtEnd(DWORD held) const;
    CXString PageFeatureCode(LONG page);
    DWORD WritePageFeatures(LONG page, const CXString& features);
    const char* PageFeatureGenerator() const noexcept;

    // A decision goes into the account only while the output still takes bytes: after a failed
    // write or a cancellation nothing was written for it.
    template <typename Make>
    void Record(const char* kind, Make&& make) const noexcept {
        if (output.Taking()) {
            account.Record(kind, std::forward<Make>(make));
        }
    }
    void RecordPageFeatures(LONG page, bool hasFeatures, std::uint64_t at,
                            DWORD length) const noexcept;
    void RecordJobEnd(const char* trailer, std::uint64_t at) const noexcept;
    // The window's bytes `from` to `to` that the driver's treatment drops: page `page`'s setup
    // section, or (page 0) what stands in front of "@PJL COMMENT". Nothing for an empty range.
    void RecordDropped(DWORD from, DWORD to, LONG page) const noexcept;
    // The items that were never inserted, the graphics groups dropped, and the copy's counts.
    void RecordWhatIsLeft() const noexcept;

    PdlOutput& output;
    EncryptingOutput* const encryption;
    OperationAccount& account;
    PdlStreamBuffer buffer;
    DWORD refillCount = PdlStreamBuffer::kWorkingSize;
    DWORD windowLimit = 98304;
    IPrintReadStream* readStream;
    PDLInsertionDataList& insertionList;
    const InserterOptions options;
    bool staplingRemovalPending;
    bool directFaxPending;
    // Set when the item step consumed "@PJL ENTER LANGUAGE", so that the language switch can still
    // recognise the rest of that line at the front of the next window.
    bool languageLineSplit = false;
    // The input offset of the job's first "@PJL ENTER LANGUAGE": the end of its PJL header.
    std::uint64_t headerEnd = 0;

    // The page features: the generator that fits the product, the pages seen, whether page one's
    // own setup was handled, and the graphics groups being dropped behind a page's setup.
    bool genericPageLevelFeatures = true;
    std::unique_ptr<PostScriptPageLevelPDLHelper> pageLevelGenerator;
    int pageContentState = 0;
    LONG pageCounter = 0;
    bool firstPageSetupHandled = false;
    LONG groupDepth = 0;

    // What the account counts: the input offset of the buffer's first byte, the bytes read, the
    // cycles, the outer graphics groups dropped.
    std::uint64_t inputOffset = 0;
    std::uint64_t bytesRead = 0;
    std::uint64_t cycles = 0;
    std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
    std::uint64_t groupsRemoved = 0;
};
