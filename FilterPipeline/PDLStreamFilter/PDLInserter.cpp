// The inserter: construction, the copy's cycles and its reads. The steps it offers the window to
// are in PDLInserterSteps.cpp; they write into the output, which decides where bytes go.
#include "PDLInserter.h"

#include <algorithm>

#include "DscVocabulary.h"
#include "FilterFailure.h"
#include "PjlVocabulary.h"

namespace {
constexpr const char* kSourceFile = "FilterPipeline\\PDLStreamFilter\\PDLInserter";
constexpr DWORD kFlushSize = 65536;
// A read stream that keeps answering "no bytes, not ended" is broken; the copy gives up on it.
constexpr int kMostEmptyReadsInARow = 1000;
}  // namespace

PDLInserter::PDLInserter(PdlOutput& output, IPrintReadStream* readStream,
                         PDLInsertionDataList& items, const InserterOptions& options)
    : output(output),
      encryption(output.Encryption()),
      account(output.Account()),
      buffer(options.reuseSearches),
      readStream(readStream),
      insertionList(items),
      options(options),
      staplingRemovalPending(options.removeNativeStapling),
      directFaxPending(options.legacyGreenFax) {
    if (!options.productPdlData.isEmpty() && options.pdlType == PdlValue::PostScript) {
        pageLevelGenerator = std::make_unique<PostScriptPageLevelPDLHelper>(options.productPdlData);
        genericPageLevelFeatures = false;
    } else {
        pageLevelGenerator = std::make_unique<PostScriptPageLevelPDLHelper>();
    }
}

PDLInserter::~PDLInserter() {
    RecordWhatIsLeft();
}

// The copy reads the input into the stream buffer in large blocks and offers the front of it, the
// window, to a fixed row of steps. The first step that claims something (a marker it handles)
// writes what lies in front of it and returns how far the buffer is consumed; when no step claims
// anything, the first 65,536 bytes go out unchanged. The buffer's front then moves past what was
// consumed and the buffer is topped up by exactly that many bytes, so it is full at the start of
// every cycle and any marker that starts in the window lies whole in the buffer. At the end of the
// input the window is everything held, and FinishStream ends the job with its trailer. With a pass
// phrase the first window must hold the language switch before anything is written; between
// steps, a failed write or a cancellation ends the copy.
void PDLInserter::CopyStream() {
    output.ThrowIfInterrupted();
    bool endOfInput = Refill(false);
    RefuseUnencryptableStream(Window(endOfInput));
    MarkHeaderEnd(Window(endOfInput));
    WriteStartItems();
    output.ThrowIfInterrupted();
    for (;; ++cycles) {
        Position consumed = OfferWindow(Window(endOfInput), endOfInput);
        if (!consumed) {
            if (endOfInput) {
                FinishStream();
                output.ThrowIfInterrupted();
                return;
            }
            consumed = std::min(kFlushSize, buffer.Held());
            WriteHeld(0, *consumed);
        }
        output.ThrowIfInterrupted();
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
        RaiseFilterFailure(kSourceFile, "CPComException: no read stream", E_POINTER);
    }
    const DWORD wanted = std::min(refillCount, buffer.Free());
    buffer.MakeRoom(wanted);
    ReadIntoBuffer(wanted, endOfInput);
    return endOfInput;
}

// Reads `wanted` bytes at the buffer's fill position, fewer when the input ends first.
void PDLInserter::ReadIntoBuffer(DWORD wanted, bool& endOfInput) {
    int emptyReads = 0;
    do {
        output.ThrowIfInterrupted();
        ULONG read = 0;
        BOOL end = FALSE;
        const HRESULT result = readStream->ReadBytes(buffer.FillPosition(), wanted, &read, &end);
        if (FAILED(result)) {
            RaiseFilterFailure(kSourceFile, "CPComException: reading the print stream failed",
                               result);
        }
        read = std::min<ULONG>(read, wanted);
        buffer.Advance(read);
        bytesRead += read;
        wanted -= read;
        if (end) {
            endOfInput = true;
            return;
        }
        emptyReads = read == 0 ? emptyReads + 1 : 0;
        if (emptyReads > kMostEmptyReadsInARow) {
            RaiseFilterFailure(
                kSourceFile, "CPComException: the print stream delivers no bytes and does not end",
                HRESULT_FROM_WIN32(ERROR_NO_DATA_DETECTED));
        }
    } while (wanted > 0);
}

DWORD PDLInserter::Window(bool endOfInput) const {
    return endOfInput ? buffer.Held() : std::min(buffer.Held(), windowLimit);
}

// A job with a pass phrase leaves only encrypted from its language switch on. One that cannot be
// (no encrypted form of its PDL, no switch where the job's PJL header ends, or document bytes in
// front of the switch, which would go out plain) is refused before
// anything of it is written: sending it in the clear would show the document to anyone on the
// way, while a refused job only has to be printed again.
void PDLInserter::RefuseUnencryptableStream(DWORD n) const {
    if (!Encrypts() || options.pdlType == PdlValue::Xps) {
        return;
    }
    const std::string_view language = PjlLanguageSwitch::LanguageName(options.pdlType);
    if (language.empty()) {
        RaiseFilterFailure(kSourceFile,
                           "The job has a pass phrase but its PDL type cannot be encrypted: "
                           "nothing was sent.",
                           HRESULT_FROM_WIN32(ERROR_INVALID_DATA));
    }
    if (PjlLanguageSwitch::FindInPjl(buffer.Data(), n, buffer.Held(), language)) {
        return;
    }
    if (PjlLanguageSwitch::Find(buffer.Data(), n, buffer.Held(), language)) {
        RaiseFilterFailure(kSourceFile,
                           "The job has a pass phrase but more than PJL stands in front of its "
                           "PJL language switch: nothing was sent.",
                           HRESULT_FROM_WIN32(ERROR_INVALID_DATA));
    }
    RaiseFilterFailure(kSourceFile,
                       "The job has a pass phrase but no PJL language switch to encrypt "
                       "after: nothing was sent.",
                       HRESULT_FROM_WIN32(ERROR_INVALID_DATA));
}

// The job's PJL header is what stands in front of its first language switch, which a driver's job
// has in its first window; a job without one has no header.
void PDLInserter::MarkHeaderEnd(DWORD n) {
    headerEnd = FindMarker(0, n, Pjl::kEnterLanguage).value_or(0);
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
             InsertItemsAtMarker(clearWindow, Pjl::kEnterLanguage, BeforePjlEnterLanguage))) {
        return consumed;
    }
    if (Encrypts() && !SectionOpen() && (consumed = SwitchLanguage(opening, splitLine))) {
        return consumed;
    }
    if ((consumed = OfferPostScriptSteps(n))) {
        return consumed;
    }
    if (SectionOpen() && options.pdlType != PdlValue::Xps) {
        return CloseEncryptedSection(n, endOfInput);
    }
    return std::nullopt;
}

// The steps of the document's own markers: DSC comments, the stapling block, the PCLm header, the
// page setups and the graphics groups behind them.
PDLInserter::Position PDLInserter::OfferPostScriptSteps(DWORD n) {
    Position consumed;
    if ((consumed = InsertItemsAtMarker(n, "%%Title", BeforeTitle)) ||
        (staplingRemovalPending && (consumed = RemoveNativeStapling(n))) ||
        (consumed = InsertItemsAtMarker(n, Dsc::kEndSetup, BeforeEndSetup)) ||
        (consumed = InsertItemsAtMarker(n, "%PCLm 1.0", BeforePclmHeader))) {
        return consumed;
    }
    if ((pageContentState == 0 || PageSetupBeforeGroups(n)) &&
        (consumed = InsertPageLevelFeatures(n))) {
        if (firstPageSetupHandled) {
            pageContentState = 1;
            groupDepth = 0;
        }
        return consumed;
    }
    if (pageContentState == 1 && (consumed = StripGraphicsGroups(n))) {
        return consumed;
    }
    return std::nullopt;
}
