// The engine that copies a job's PDL stream to its destination and performs every insertion on the
// way: items at their markers, the stapling block taken out, the fax job line, page features, the
// encrypted section from the language switch on, and the job's own trailer at the end.
#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <string_view>

#include "CorvoAtriumHelper.h"
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
    // hand in a recording double); it is ignored without a pass phrase.
    PDLInserter(CorvoAtriumHelper* atriumHelper, IPrintReadStream* readStream,
                PDLInsertionDataList* insertionList,
                ComReference<IPrintPipelinePropertyBag> propertyBag, const CPString& productPdlData,
                LONG pdlType, bool removeNativeStapling, bool legacyGreenFax,
                bool requiresBothPjlAndQcpt, CXString passPhrase, CXString packageFolderPath,
                std::unique_ptr<MeridianEncryption> encryptor = nullptr);
    virtual ~PDLInserter();
    PDLInserter(const PDLInserter&) = delete;
    PDLInserter& operator=(const PDLInserter&) = delete;

    // Makes the copy or the pass-through stop at its next cycle once `requested` is set, from any
    // thread: nothing more is read or delivered, and it ends with
    // HRESULT_FROM_WIN32(ERROR_CANCELLED).
    void StopWhenRequested(const std::atomic<bool>& requested) noexcept {
        stopRequested = &requested;
    }

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

  private:
    using Position = std::optional<DWORD>;

    using SwitchLine = std::optional<PjlLanguageSwitch::Line>;

    bool Refill(bool endOfInput);
    DWORD Window(bool endOfInput) const;
    void RefuseUnencryptableStream(DWORD n) const;
    Position OfferWindow(DWORD n);
    void WriteStartItems();

    Position FindMarker(DWORD start, DWORD count, std::string_view marker) const {
        return buffer.FindMarker(start, count, marker);
    }
    HRESULT WriteHeld(DWORD from, DWORD to);
    HRESULT WriteItemText(const CXString& text);
    HRESULT Deliver(const BYTE* bytes, DWORD count);
    bool Stopped() noexcept;
    // Ends the copy with the first failed delivery, or with the cancellation once it was asked for.
    void ThrowIfInterrupted();

    Position InsertItemsAtMarker(DWORD n, std::string_view marker, DWORD itemType);
    SwitchLine LocateSectionOpening(DWORD n, bool splitLine) const;
    Position SwitchLanguage(const SwitchLine& opening);
    Position RemoveNativeStapling(DWORD n);
    Position ApplyDirectFaxMode(DWORD n);
    Position InsertPageLevelFeatures(DWORD n);
    Position DriverHeaderComment(DWORD n) const;
    Position StripGraphicsGroups(DWORD n);
    Position CloseEncryptedSection(DWORD n);
    void FinishStream();
    bool WriteJobHeader();
    CXString PageFeatureCode(LONG page);

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
};
