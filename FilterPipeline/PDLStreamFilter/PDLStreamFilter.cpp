// The filter object: its life in the module object count and the frame of its operation, with
// the operation's own failure points.
#include "PDLStreamFilter.h"

#include "ModuleObjectCount.h"
#include "UtilitiesDll/LowLevelFacilities/ErrorMessages.h"
#include "companion/FilterUtilities/MsSafeCoInit.h"
#include "companion/FilterUtilities/NativeComPrinterPropertyBagAccess.h"
#include "companion/Utilities/BasicExecutionContext.h"
#include "companion/Utilities/CPComException.h"
#include "companion/Utilities/CPString.h"
#include "companion/Utilities/ComExceptionBoundary.h"
#include "companion/Utilities/DebugUtilities.h"
#include "companion/Utilities/DriverProductData.h"
#include "companion/Utilities/ExecutionContextLifetime.h"
#include "companion/Utilities/LastErrorPreserver.h"
#include "companion/Utilities/Printer.h"
#include "companion/Utilities/RaiseCPException.h"

namespace {
constexpr const char* kSourceFile = "FilterPipeline\\PDLStreamFilter\\PDLStreamFilter";
constexpr const char* kOperation = "PDLStreamFilter::StartOperation_throws";
constexpr std::uint64_t kOperationCategory = 0x2000;
constexpr LONG kControllerFamilyWithSeparatorEoj = 8430;

CvoSharedPtr<ExecutionContextBase> OpenOperationContext(std::uint32_t line) {
    CPString message = formatMessage("");
    return CvoSharedPtr<ExecutionContextBase>(new BasicExecutionContext(
        31676, kOperationCategory, kSourceFile, kOperation, line, false, std::move(message)));
}

[[noreturn]] void RaiseOperationFailure(std::uint32_t line, std::string message, HRESULT result) {
    const LastErrorPreserver preserved;
    RaiseCPException<CPComException>(RaiseSite{kSourceFile, kOperation, line, kOperationCategory},
                                     std::move(message), preserved.Value(), result);
}
}  // namespace

PDLStreamFilter::PDLStreamFilter() {
    ModuleObjectCount::Increment();
}

PDLStreamFilter::~PDLStreamFilter() {
    ModuleObjectCount::Decrement();
}

void PDLStreamFilter::StartOperation_throws() {
    const ExecutionContextLifetime operationContext(OpenOperationContext(__LINE__));
    account = OperationAccount(GetIPrintPipelinePropertyBagPtr());
    try {
        RunOperation_throws();
    } catch (...) {
        RecordFailure();
        account.RecordTotals();
        throw;
    }
    account.RecordTotals();
}

void PDLStreamFilter::RunOperation_throws() {
    const MsSafeCoInit comInitialisation;
    JobSettings settings;
    ThrowIfShutdownRequested_throws();
    stage = "first read";
    ReadFirstInputBytes_throws();
    stage = "settings";
    SetThreadTokenWrapper impersonation(GetUserToken());
    DetectPrintReadyFileInXpsWrapper();
    const std::unique_ptr<NativeComPrinterPropertyBagAccess> driverBagAccess =
        GetDriverPropertyBagAccess();
    std::unique_ptr<CorvoDriverPropertyBag> driverBag;
    if (driverBagAccess) {
        driverBag = std::make_unique<CorvoDriverPropertyBag>(*driverBagAccess);
        driverPdl = driverBag->GetPdl();
    }
    GatherJobRecordAndUser(settings);
    DeriveMimeTypeAndPageCount(settings);
    stage = "Atrium hand-off";
    atriumHelper.reset();
    atriumHelper = std::make_unique<CorvoAtriumHelper>(
        settings.jobDocumentName, settings.jobUserName, settings.userDomain, GetPrinterName(),
        settings.mimeType, settings.pageCount, ComReference<IPrintWriteStream>(GetWriteStream()));
    try {
        RunJob_throws(settings, driverBag.get(), impersonation);
    } catch (...) {
        FinishFailedJob();
        throw;
    }
}

// The job's own failure is the one reported. When the folder cannot take its documents either, it
// keeps its lock, so no consumer takes it.
void PDLStreamFilter::FinishFailedJob() noexcept {
    try {
        atriumHelper->FinishJob(false);
        RecordAtrium(false);
    } catch (...) {
        RecordAtrium(true);
        try {
            DebugUtilities::reportErrorForLowLevelUtilities(
                "Atrium: the failed job's folder %s could not be completed and keeps its lock.",
                CPString(atriumHelper->GetJobFolder()).str().c_str());
        } catch (...) {
            // Without memory for the diagnostic the lock still says it all.
        }
    }
}

void PDLStreamFilter::RunJob_throws(JobSettings& settings, const CorvoDriverPropertyBag* driverBag,
                                    SetThreadTokenWrapper& impersonation) {
    stage = "settings";
    settings.ReadPipelineProperties(GetIPrintPipelinePropertyBagPtr(), driverPdl);
    if (driverBag != nullptr) {
        ReadProductFlags(*driverBag, settings);
    }
    stage = "rewind";
    RewindReadStream_throws();
    PDLInsertionDataList items;
    ThrowIfShutdownRequested_throws();
    stage = "direct ticket";
    WriteDirectTicket_throws(settings, driverBag);
    stage = "items";
    PDLInsertionListBuilder::Build(settings, items);
    const CXString packageFolder = LookUpExtensionPackageFolder(settings);
    if (printReadyFileInXpsWrapper) {
        stage = "pass-through";
        PassThroughPrintReadyFile(settings, items, packageFolder, impersonation);
    } else {
        stage = "copy";
        CopyMainStream(settings, driverBag, items, packageFolder);
    }
    stage = "Atrium completion";
    atriumHelper->FinishJob(true);
    RecordAtrium(false);
}

// What made the operation fail, and at which of its stages; called while the failure is handled.
void PDLStreamFilter::RecordFailure() noexcept {
    account.Record("failure", [this] {
        const ComFailure failure = DescribeCurrentException();
        return OperationAccount::Fields{{"hresult", OperationAccount::Hex(failure.hresult)},
                                        {"message", failure.message},
                                        {"kind", failure.kind},
                                        {"stage", stage}};
    });
}

void PDLStreamFilter::RecordAtrium(bool locked) noexcept {
    if (!atriumHelper || !atriumHelper->UsesAtrium()) {
        return;
    }
    account.Record("atrium", [&] {
        return OperationAccount::Fields{{"jobFolder", CPString(atriumHelper->GetJobFolder()).str()},
                                        {"status", CPString(atriumHelper->GetStatus()).str()},
                                        {"locked", locked}};
    });
}

// A cancelled job stops where it stands: nothing more is read or written.
void PDLStreamFilter::ThrowIfShutdownRequested_throws() const {
    if (IsShutdownRequested()) {
        RaiseOperationFailure(__LINE__, buildErrorMessage(PDLInserter::kCancelledMessage),
                              HRESULT_FROM_WIN32(ERROR_CANCELLED));
    }
}

void PDLStreamFilter::ReadFirstInputBytes_throws() {
    BYTE firstBytes[4] = {};
    ULONG read = 0;
    BOOL endOfFile = FALSE;
    const HRESULT result =
        GetReadStream()->ReadBytes(firstBytes, sizeof firstBytes, &read, &endOfFile);
    if (FAILED(result)) {
        RaiseOperationFailure(__LINE__, buildErrorMessage("CPComException: "), result);
    }
}

void PDLStreamFilter::RewindReadStream_throws() {
    ULONGLONG position = 0;
    const HRESULT result = GetReadStream()->Seek(0, STREAM_SEEK_SET, &position);
    if (FAILED(result)) {
        RaiseOperationFailure(__LINE__, buildErrorMessage("CPComException: "), result);
    }
}

void PDLStreamFilter::WriteDirectTicket_throws(const JobSettings& settings,
                                               const CorvoDriverPropertyBag* driverBag) {
    if (settings.qcptTicket.IsEmpty() || settings.requiresBothPjlAndQcpt) {
        return;
    }
    CXString ticket = settings.qcptTicket;
    std::vector<std::string> prefixes;
    if (settings.qfciCompliant) {
        ticket = CXString(WIDE("\x1b%-12345X@PJL JOB\r\n")) + ticket;
        prefixes.emplace_back("JOB");
    }
    if (driverBag != nullptr &&
        driverBag->GetDriverProductData().GetControllerFamily() ==
            kControllerFamilyWithSeparatorEoj &&
        driverBag->GetDriverProductData().IsFullQpifSupported() &&
        Printer(GetPrinterHandle()).IsMSSeparatorPageSelected()) {
        ticket = CXString(WIDE("\r\n\x1b%-12345X@PJL EOJ\r\n")) + ticket;
        prefixes.insert(prefixes.begin(), "EOJ");
    }
    const CPString bytes(ticket);
    const SizeRawBytes32 count = bytes.sizeOfUtf8RawBytes();
    const std::uint64_t at = account.OutputOffset();
    ULONG written = 0;
    HRESULT result = S_OK;
    if (atriumHelper->UsesAtrium()) {
        const bool ok = atriumHelper->GetJobContentFile()->WriteToTheFile(
            count.get(), bytes.utf8RawBytes(), static_cast<DWORD>(-1));
        result = ok ? S_OK : E_FAIL;
    } else {
        result = atriumHelper->GetPipelineStream()->WriteBytes(bytes.utf8RawBytes(), count.get(),
                                                               &written);
    }
    if (FAILED(result)) {
        RaiseOperationFailure(__LINE__,
                              buildErrorMessage("Failed writing QPIF into the print stream. "
                                                "Expected to write %ld bytes. Bytes written is "
                                                "%ld.",
                                                count, static_cast<unsigned long>(written)),
                              result);
    }
    account.CountDelivered(count.get());
    account.Record("directTicket", [&] {
        return OperationAccount::Fields{
            {"outputOffset", at}, {"length", count.get()}, {"prefixes", prefixes}};
    });
}

// A job without the driver's property bag cannot be copied as its driver meant it; it fails
// visibly instead of passing for printed with nothing of its content in the output.
void PDLStreamFilter::CopyMainStream(const JobSettings& settings,
                                     const CorvoDriverPropertyBag* driverBag,
                                     PDLInsertionDataList& items, const CXString& packageFolder) {
    if (driverBag == nullptr) {
        RaiseOperationFailure(__LINE__,
                              buildErrorMessage("The driver property bag is not available: the "
                                                "job cannot be copied."),
                              E_FAIL);
    }
    CPString productPdlDataXml;
    if ((!settings.qfciCompliant && !settings.fullQpifSupported &&
         driverPdl == PdlValue::PostScript) ||
        settings.requiresBothPjlAndQcpt) {
        productPdlDataXml = driverBag->GetProductPdlDataXml();
    }
    PDLInserter inserter(atriumHelper.get(), GetReadStream(), &items,
                         ComReference<IPrintPipelinePropertyBag>(GetIPrintPipelinePropertyBagPtr()),
                         productPdlDataXml, driverPdl, settings.removeNativeStapling,
                         settings.legacyGreenFax, settings.requiresBothPjlAndQcpt,
                         settings.passPhrase, packageFolder);
    inserter.StopWhenRequested(ShutdownRequest());
    inserter.KeepAccount(account);
    inserter.CopyStream();
}
