// The engine that copies a job's PDL stream to its destination and performs every insertion on the
// way: items at their markers, the stapling block taken out, the fax job line, page features, the
// encrypted section from the language switch on, and the job's own trailer at the end.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>

#include "CorvoAtriumHelper.h"
#include "OperationAccount.h"
#include "PDLInsertionData.h"
#include "PdlStreamBuffer.h"
#include "PjlLanguageSwitch.h"
#include "companion/FilterUtilities/PostScriptPageLevelPDLHelper.h"
#include "companion/Utilities/CPString.h"
#include "companion/Utilities/ComReference.h"
#include "companion/Utilities/MeridianEncryption.h"
#include "seam/FilterPipelineInterfaces.h"

class PDLInserter {
  public:
    static constexpr const char* kCancelledMessage =
        "The job was cancelled: nothing more was read or sent.";

    // `encryptor` replaces the MeridianEncryption that a non-blank pass phrase would build (tests
    // hand in a recording double); it is ignored without a pass phrase. `reuseSearches` false
    // makes the copy redo every search and shift (PdlStreamBuffer): the fuzz target holds the two
    // ways to the same reads and deliveries.
    PDLInserter(CorvoAtriumHelper* atriumHelper, IPrintReadStream* readStream,
                PDLInsertionDataList* insertionList,
                ComReference<IPrintPipelinePropertyBag> propertyBag, const CPString& productPdlData,
                LONG pdlType, bool removeNativeStapling, bool legacyGreenFax,
                bool requiresBothPjlAndQcpt, CXString passPhrase, CXString packageFolderPath,
                std::unique_ptr<MeridianEncryption> encryptor = nullptr, bool reuseSearches = true);
    virtual ~PDLInserter();
    PDLInserter(const PDLInserter&) = delete;
    PDLInserter& operator=(const PDLInserter&) = delete;

    // Makes the copy or the pass-through stop at its next cycle once `requested` is set, from any
    // thread: nothing more is read or delivered, and it ends with
    // HRESULT_FROM_WIN32(ERROR_CANCELLED).
    void StopWhenRequested(const std::atomic<bool>& requested) noexcept {
        stopRequested = &requested;
    }
    // Records each decision of the copy in `account`, which outlives the inserter. The items that
    // were never inserted and the totals are recorded when the inserter goes.
    void KeepAccount(OperationAccount& operationAccount) noexcept { account = &operationAccount; }

    // The ordinary copy of the read stream. Throws a CPComException when the input cannot be read
    // or a delivery failed, after what could be delivered was delivered. With a pass phrase, a
    // stream that cannot be encrypted is refused before any of it is delivered.
    void CopyStream();

    // The copy of a print-ready file passed in an XPS wrapper: announced as PDF, its bytes
    // unchanged (encrypted when there is a pass phrase), then the job trailer. A file that cannot
    // be opened writes nothing; it and a read error in the middle (after the trailer) end with a
    // CPComException carrying the OS error, so the job does not pass for printed.
    void PassThroughPrintReadyFile(CXString path);

    // The output sink: encrypts while the encrypted section is open, then delivers.
    HRESULT WriteBlock(const BYTE* bytes, DWORD count, bool last);

    // The bytes of the print-ready file that were passed through, and the output offset of the
    // first of them.
    std::uint64_t PrintReadyFileBytes() const noexcept { return printReadyBytes; }
    std::uint64_t PrintReadyFileOffset() const noexcept { return printReadyOffset; }

  private:
    using Position = std::optional<DWORD>;

    [[noreturn]] static void RaiseFailure(const char* function, std::uint32_t line,
                                          const char* message, HRESULT result);

    using SwitchLine = std::optional<PjlLanguageSwitch::Line>;

    bool Refill(bool endOfInput);
    DWORD Window(bool endOfInput) const;
    void RefuseUnencryptableStream(DWORD n) const;
    Position OfferWindow(DWORD n, bool endOfInput);
    void WriteStartItems();

    Position FindMarker(DWORD start, DWORD count, std::string_view marker) const {
        return buffer.FindMarker(start, count, marker);
    }
    HRESULT WriteHeld(DWORD from, DWORD to);
    // Writes the text's ANSI bytes up to its first U+0000; returns their count.
    DWORD WriteItemText(const CXString& text);
    void InsertItem(std::size_t index, PDLInsertionData& item);
    void OpenPrintReadyFile(XFile& file) const;
    HRESULT DeliverEncrypted(const BYTE* bytes, DWORD count, bool last);
    HRESULT Deliver(const BYTE* bytes, DWORD count);
    bool Stopped() noexcept;
    // Ends the copy with the first failed delivery, or with the cancellation once it was asked for.
    void ThrowIfInterrupted();

    Position InsertItemsAtMarker(DWORD n, std::string_view marker, DWORD itemType);
    SwitchLine LocateSectionOpening(DWORD n, bool splitLine) const;
    Position SwitchLanguage(const SwitchLine& opening, bool splitLine);
    Position RemoveNativeStapling(DWORD n);
    Position ApplyDirectFaxMode(DWORD n);
    Position InsertPageLevelFeatures(DWORD n);
    Position DriverHeaderComment(DWORD n) const;
    Position StripGraphicsGroups(DWORD n);
    Position CloseEncryptedSection(DWORD n, bool endOfInput);
    void FinishStream();
    bool WriteJobHeader();
    CXString PageFeatureCode(LONG page);
    DWORD WritePageFeatures(LONG page, const CXString& features);
    const char* PageFeatureGenerator() const noexcept;

    // A decision goes into the account only while the output still takes bytes: after a failed
    // delivery or a cancellation nothing was delivered for it.
    template <typename Make>
    void Record(const char* kind, Make&& make) const noexcept {
        if (!stopped && SUCCEEDED(deliveryFailure)) {
            account->Record(kind, std::forward<Make>(make));
        }
    }
    void RecordPageFeatures(LONG page, bool hasFeatures, std::uint64_t at,
                            DWORD length) const noexcept;
    void RecordJobEnd(const char* trailer, std::uint64_t at) const noexcept;
    // The items that were never inserted, the graphics groups dropped, and the copy's counts.
    void RecordWhatIsLeft() const noexcept;

    PdlStreamBuffer buffer;
    DWORD refillCount = PdlStreamBuffer::kWorkingSize;
    DWORD windowLimit = 98304;
    bool genericPageLevelFeatures = true;
    bool encryptionConfigured;
    bool encryptionActive = false;
    CXString passPhrase;
    LONG pdlType;
    IPrintReadStream* readStream;
    PDLInsertionDataList* insertionList;
    bool staplingRemovalPending;
    bool directFaxPending;
    bool bothPjlAndTicket;
    int pageContentState = 0;
    // A copy of its own: the caller's data may be a temporary that ends before the inserter.
    const CPString productPdlData;
    std::unique_ptr<PostScriptPageLevelPDLHelper> pageLevelGenerator;
    ComReference<IPrintPipelinePropertyBag> propertyBag;
    LONG pageCounter = 0;
    bool firstPageSetupHandled = false;
    LONG groupDepth = 0;
    std::unique_ptr<MeridianEncryption> encryptor;
    // The output of one encryption call; its storage is kept from block to block.
    ByteBuffer encryptedBlock;
    bool jobHeaderWritten = false;
    CorvoAtriumHelper* atriumHelper;
    // Set when the item step consumed "@PJL ENTER LANGUAGE", so that the language switch can still
    // recognise the rest of that line at the front of the next window.
    bool languageLineSplit = false;
    // The first failed delivery; nothing is delivered after it, and the copy ends with it.
    HRESULT deliveryFailure = S_OK;
    const std::atomic<bool>* stopRequested = nullptr;
    // Latched once the request was seen, so that nothing is delivered after it.
    bool stopped = false;

    OperationAccount noAccount;
    OperationAccount* account = &noAccount;
    // What the account counts: the input offset of the buffer's first byte, the bytes read, the
    // cycles, the encrypted section being delivered, the outer graphics groups dropped.
    std::uint64_t inputOffset = 0;
    std::uint64_t bytesRead = 0;
    std::uint64_t cycles = 0;
    std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
    int sections = 0;
    std::uint64_t sectionOffset = 0;
    std::uint64_t sectionPlainBytes = 0;
    bool sectionDelivering = false;
    std::uint64_t groupsRemoved = 0;
    std::uint64_t xpsTrailerOffset = 0;
    bool xpsTrailerWritten = false;
    std::uint64_t printReadyBytes = 0;
    std::uint64_t printReadyOffset = 0;
};
