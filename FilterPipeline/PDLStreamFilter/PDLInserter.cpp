// The inserter: construction, the copy's cycles, the output sink and its delivery.
#include "PDLInserter.h"

#include <algorithm>

#include "PdlValue.h"
#include "companion/Utilities/CPComException.h"
#include "companion/Utilities/LastErrorPreserver.h"
#include "companion/Utilities/RaiseCPException.h"
#include "companion/Utilities/XmlOutputEscapedQcptUtf8StringCallback.h"

namespace {
constexpr const char* kSourceFile = "FilterPipeline\\PDLStreamFilter\\PDLInserter";
constexpr DWORD kFlushSize = 65536;
// A read stream that keeps answering "no bytes, not ended" is broken; the copy gives up on it.
constexpr int kMostEmptyReadsInARow = 1000;
constexpr std::string_view kXpsJobTrailer{"\x1b%-12345X@PJL EOJ\r\n\x1b%-12345X\r\n", 30};

}  // namespace

void PDLInserter::RaiseFailure(const char* function, std::uint32_t line, const char* message,
                               HRESULT result) {
    const LastErrorPreserver preserved;
    RaiseCPException<CPComException>(RaiseSite{kSourceFile, function, line, 0x2000}, message,
                                     preserved.Value(), result);
}

PDLInserter::PDLInserter(CorvoAtriumHelper* atriumHelper, IPrintReadStream* readStream,
                         PDLInsertionDataList* insertionList,
                         ComReference<IPrintPipelinePropertyBag> propertyBag,
                         const CPString& productPdlData, LONG pdlType, bool removeNativeStapling,
                         bool legacyGreenFax, bool requiresBothPjlAndQcpt, CXString passPhrase,
                         CXString packageFolderPath, std::unique_ptr<MeridianEncryption> encryptor,
                         bool reuseSearches)
    : buffer(reuseSearches),
      encryptionConfigured(!passPhrase.IsBlank()),
      passPhrase(std::move(passPhrase)),
      pdlType(pdlType),
      readStream(readStream),
      insertionList(insertionList),
      staplingRemovalPending(removeNativeStapling),
      directFaxPending(legacyGreenFax),
      bothPjlAndTicket(requiresBothPjlAndQcpt),
      productPdlData(productPdlData),
      propertyBag(std::move(propertyBag)),
      atriumHelper(atriumHelper) {
    if (!productPdlData.isEmpty() && pdlType == PdlValue::PostScript) {
        pageLevelGenerator = std::make_unique<PostScriptPageLevelPDLHelper>(productPdlData);
        genericPageLevelFeatures = false;
    } else {
        pageLevelGenerator = std::make_unique<PostScriptPageLevelPDLHelper>();
    }
    if (encryptionConfigured) {
        this->encryptor = encryptor
                              ? std::move(encryptor)
                              : std::make_unique<MeridianEncryption>(
                                    MeridianEncryption::kFormatVersionMode, packageFolderPath);
    }
}

PDLInserter::~PDLInserter() {
    RecordWhatIsLeft();
}

// The copy reads the input into the stream buffer in large blocks and offers the front of it, the
// window, to a fixed row of steps. The first step that claims something (a marker it handles)
// writes what lies in front of it and returns how far the buffer is consumed; when no step claims
// anything, the first 65,536 bytes go out unchanged. The buffer is then shifted down over what was
// consumed and topped up by exactly that many bytes, so it is full at the start of every cycle and
// any marker that starts in the window lies whole in the buffer. At the end of the input the window
// is everything held, and FinishStream ends the job with its trailer. With a pass phrase the first
// window must hold the language switch before anything is written; between steps, a failed
// delivery or a cancellation ends the copy.
void PDLInserter::CopyStream() {
    ThrowIfInterrupted();
    bool endOfInput = Refill(false);
    RefuseUnencryptableStream(Window(endOfInput));
    WriteStartItems();
    ThrowIfInterrupted();
    for (;; ++cycles) {
        Position consumed = OfferWindow(Window(endOfInput), endOfInput);
        if (!consumed) {
            if (endOfInput) {
                FinishStream();
                ThrowIfInterrupted();
                return;
            }
            consumed = std::min(kFlushSize, buffer.Held());
            WriteHeld(0, *consumed);
        }
        ThrowIfInterrupted();
        refillCount = *consumed;
        buffer.Shift(*consumed);
        inputOffset += *consumed;
        endOfInput = Refill(endOfInput);
    }
}

// Reads until the refill count has arrived, the input ended or a read failed, so that the output
// never depends on how the previous filter cuts its stream. Returns the end-of-input flag.
bool PDLInserter::Refill(bool endOfInput) {
    if (endOfInput) {
        return true;
    }
    if (readStream == nullptr) {
        RaiseFailure("PDLInserter::CopyStream", __LINE__, "CPComException: no read stream",
                     E_POINTER);
    }
    DWORD wanted = std::min(refillCount, buffer.Free());
    buffer.MakeRoom(wanted);
    int emptyReads = 0;
    do {
        ThrowIfInterrupted();
        ULONG read = 0;
        BOOL end = FALSE;
        const HRESULT result = readStream->ReadBytes(buffer.FillPosition(), wanted, &read, &end);
        if (FAILED(result)) {
            RaiseFailure("PDLInserter::CopyStream", __LINE__,
                         "CPComException: reading the print stream failed", result);
        }
        read = std::min<ULONG>(read, wanted);
        buffer.Advance(read);
        bytesRead += read;
        wanted -= read;
        if (end) {
            return true;
        }
        emptyReads = read == 0 ? emptyReads + 1 : 0;
        if (emptyReads > kMostEmptyReadsInARow) {
            RaiseFailure("PDLInserter::CopyStream", __LINE__,
                         "CPComException: the print stream delivers no bytes and does not end",
                         HRESULT_FROM_WIN32(ERROR_NO_DATA_DETECTED));
        }
    } while (wanted > 0);
    return false;
}

DWORD PDLInserter::Window(bool endOfInput) const {
    return endOfInput ? buffer.Held() : std::min(buffer.Held(), windowLimit);
}

// A job with a pass phrase leaves only encrypted from its language switch on. One that cannot be
// (no encrypted form of its PDL, or no switch where the job's PJL header ends) is refused before
// anything of it is delivered: sending it in the clear would show the document to anyone on the
// way, while a refused job only has to be printed again.
void PDLInserter::RefuseUnencryptableStream(DWORD n) const {
    if (!encryptionConfigured || pdlType == PdlValue::Xps) {
        return;
    }
    const std::string_view language = PjlLanguageSwitch::LanguageName(pdlType);
    if (language.empty()) {
        RaiseFailure("PDLInserter::CopyStream", __LINE__,
                     "The job has a pass phrase but its PDL type cannot be encrypted: nothing was "
                     "sent.",
                     HRESULT_FROM_WIN32(ERROR_INVALID_DATA));
    }
    if (!PjlLanguageSwitch::Find(buffer.Data(), n, buffer.Held(), language)) {
        RaiseFailure("PDLInserter::CopyStream", __LINE__,
                     "The job has a pass phrase but no PJL language switch to encrypt after: "
                     "nothing was sent.",
                     HRESULT_FROM_WIN32(ERROR_INVALID_DATA));
    }
}

// The steps in their fixed order; the first that returns a position ends the offer.
PDLInserter::Position PDLInserter::OfferWindow(DWORD n, bool endOfInput) {
    const bool splitLine = std::exchange(languageLineSplit, false);
    const SwitchLine opening = LocateSectionOpening(n, splitLine);
    // The steps in front of the language switch may claim only what lies in front of the line that
    // opens the section; anything they wrote from behind it would go out in the clear.
    const DWORD clearWindow = opening ? std::min(n, opening->offset + 1) : n;
    Position consumed;
    if (directFaxPending && (consumed = ApplyDirectFaxMode(clearWindow))) {
        return consumed;
    }
    if ((consumed =
             InsertItemsAtMarker(clearWindow, "@PJL ENTER LANGUAGE", BeforePjlEnterLanguage))) {
        return consumed;
    }
    if (encryptionConfigured && !encryptionActive &&
        (consumed = SwitchLanguage(opening, splitLine))) {
        return consumed;
    }
    if ((consumed = InsertItemsAtMarker(n, "%%Title", BeforeTitle)) ||
        (staplingRemovalPending && (consumed = RemoveNativeStapling(n))) ||
        (consumed = InsertItemsAtMarker(n, "%%EndSetup", BeforeEndSetup)) ||
        (consumed = InsertItemsAtMarker(n, "%PCLm 1.0", BeforePclmHeader))) {
        return consumed;
    }
    if (pageContentState == 0 && (consumed = InsertPageLevelFeatures(n))) {
        if (firstPageSetupHandled) {
            pageContentState = 1;
            groupDepth = 0;
        }
        return consumed;
    }
    if (pageContentState == 1 && (consumed = StripGraphicsGroups(n))) {
        return consumed;
    }
    if (encryptionConfigured && encryptionActive && pdlType != PdlValue::Xps) {
        return CloseEncryptedSection(n, endOfInput);
    }
    return std::nullopt;
}

void PDLInserter::WriteStartItems() {
    if (insertionList == nullptr) {
        return;
    }
    for (std::size_t index = 0; index < insertionList->size(); ++index) {
        PDLInsertionData& item = (*insertionList)[index];
        if (item.insertionType == AtStreamStart && !item.isInserted) {
            InsertItem(index, item);
        }
    }
}

// Writes the item's text where the output stands and marks the item inserted.
void PDLInserter::InsertItem(std::size_t index, PDLInsertionData& item) {
    const std::uint64_t at = account->OutputOffset();
    const bool encrypted = encryptionConfigured && encryptionActive;
    const DWORD length = WriteItemText(item.insertionText);
    item.isInserted = true;
    Record("item", [&] {
        return OperationAccount::Fields{
            {"index", index},        {"type", item.insertionType},
            {"inserted", true},      {"outputOffset", at},
            {"length", length},      {"outputLength", account->OutputOffset() - at},
            {"encrypted", encrypted}};
    });
}

HRESULT PDLInserter::WriteHeld(DWORD from, DWORD to) {
    to = std::min(to, buffer.Held());
    return WriteBlock(buffer.Data() + from, to > from ? to - from : 0, false);
}

DWORD PDLInserter::WriteItemText(const CXString& text) {
    ByteBuffer bytes;
    bytes.appendAsAnsi_LossyForUnicode(text).appendNullUtf16Char();
    const BYTE* first = bytes.getLpbyte();
    const DWORD count = static_cast<DWORD>(std::find(first, first + bytes.getDword(), 0) - first);
    WriteBlock(first, count, false);
    return count;
}

HRESULT PDLInserter::WriteBlock(const BYTE* bytes, DWORD count, bool last) {
    if (!encryptionConfigured || !encryptionActive || !encryptor) {
        return Deliver(bytes, count);
    }
    if (pdlType == PdlValue::Xps && !jobHeaderWritten) {
        jobHeaderWritten = WriteJobHeader();
    }
    const HRESULT result = DeliverEncrypted(bytes, count, last);
    if (pdlType == PdlValue::Xps && jobHeaderWritten && last) {
        xpsTrailerOffset = account->OutputOffset();
        xpsTrailerWritten = true;
        Deliver(reinterpret_cast<const BYTE*>(kXpsJobTrailer.data()),
                static_cast<DWORD>(kXpsJobTrailer.size()));
    }
    return result;
}

// One record of the encrypted section; the section's account is made with its final record.
HRESULT PDLInserter::DeliverEncrypted(const BYTE* bytes, DWORD count, bool last) {
    encryptedBlock.clear();
    HRESULT result = S_OK;
    if (encryptor->EncryptByteBuffer(bytes, count, encryptedBlock, passPhrase, last) &&
        encryptedBlock.getDword() != 0) {
        if (!sectionDelivering) {
            sectionDelivering = true;
            sectionOffset = account->OutputOffset();
            sectionPlainBytes = 0;
            ++sections;
        }
        sectionPlainBytes += count;
        result = Deliver(encryptedBlock.getLpbyte(), encryptedBlock.getDword());
    }
    if (last && sectionDelivering) {
        sectionDelivering = false;
        Record("encryptedSection", [&] {
            return OperationAccount::Fields{
                {"number", sections},
                {"outputOffset", sectionOffset},
                {"plaintextLength", sectionPlainBytes},
                {"ciphertextLength", account->OutputOffset() - sectionOffset}};
        });
    }
    return result;
}

// Every byte leaves here: into the Atrium content file, or down the pipeline. After the first
// failure, or once the job is cancelled, nothing more is delivered, so a destination never holds a
// stream with a gap in it.
HRESULT PDLInserter::Deliver(const BYTE* bytes, DWORD count) {
    if (FAILED(deliveryFailure)) {
        return deliveryFailure;
    }
    if (Stopped()) {
        return HRESULT_FROM_WIN32(ERROR_CANCELLED);
    }
    HRESULT result = E_POINTER;
    if (atriumHelper != nullptr && atriumHelper->UsesAtrium()) {
        result = S_OK;
        if (!atriumHelper->GetJobContentFile()->WriteToTheFile(count, bytes, 0xFFFFFFFFu)) {
            const DWORD error = GetLastError();
            result = error != ERROR_SUCCESS ? HRESULT_FROM_WIN32(error) : E_FAIL;
        }
    } else if (atriumHelper != nullptr && atriumHelper->GetPipelineStream() != nullptr) {
        ULONG written = 0;
        result = atriumHelper->GetPipelineStream()->WriteBytes(bytes, count, &written);
    }
    if (FAILED(result)) {
        deliveryFailure = result;
    } else {
        account->CountDelivered(count);
    }
    return result;
}

bool PDLInserter::Stopped() noexcept {
    stopped = stopped || (stopRequested != nullptr && stopRequested->load());
    return stopped;
}

void PDLInserter::ThrowIfInterrupted() {
    if (FAILED(deliveryFailure)) {
        RaiseFailure("PDLInserter::CopyStream", __LINE__,
                     "CPComException: delivering the print stream failed", deliveryFailure);
    }
    if (Stopped()) {
        RaiseFailure("PDLInserter::CopyStream", __LINE__, kCancelledMessage,
                     HRESULT_FROM_WIN32(ERROR_CANCELLED));
    }
}

// The job header of an encrypted XPS job: the PJL job line, the ticket, the switch to the
// encrypted language; delivered in the clear. False (nothing written) while the ticket is missing.
bool PDLInserter::WriteJobHeader() {
    VARIANT ticket;
    VariantInit(&ticket);
    const HRESULT result =
        propertyBag ? propertyBag->GetProperty(WIDE("Corvo_QcptForXps"), &ticket) : E_POINTER;
    if (FAILED(result) || ticket.vt != VT_BSTR || ticket.bstrVal == nullptr) {
        VariantClear(&ticket);
        return false;
    }
    try {
        ByteBuffer block;
        block.appendAsAnsi_LossyForUnicode(CXString(WIDE("\x1b%-12345X@PJL JOB\r\n")));
        ByteBuffer ansiTicket;
        ansiTicket.appendAsAnsi_LossyForUnicode(
            CXString(ticket.bstrVal, static_cast<int>(SysStringLen(ticket.bstrVal))));
        CPString escaped;
        const auto callback = std::make_unique<XmlOutputEscapedQcptUtf8StringCallback>(
            escaped, XmlOutputCallback::EnhanceLegibility);
        callback->HandleOutput(ansiTicket.getLpbyte(), ansiTicket.getDword());
        block.append(ByteBuffer::createByteBufferWithUtf8EncodedStringData(escaped));
        block.appendAsAnsi_LossyForUnicode(CXString("\r\n@PJL ENTER LANGUAGE=ENCRYPTED\r\n"));
        const std::uint64_t at = account->OutputOffset();
        Deliver(block.getLpbyte(), block.getDword());
        Record("xpsJobHeader", [&] {
            return OperationAccount::Fields{{"outputOffset", at}, {"length", block.getDword()}};
        });
    } catch (...) {
        VariantClear(&ticket);
        throw;
    }
    VariantClear(&ticket);
    return true;
}
