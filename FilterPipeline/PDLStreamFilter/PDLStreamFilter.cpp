// The filter object: its life in the module object count and the frame of its operation, with
// the operation's own failure points.
#include "PDLStreamFilter.h"

#include "AtriumContentOutput.h"
#include "CancelledMessage.h"
#include "FilterFailure.h"
#include "ModuleObjectCount.h"
#include "PipelineOutput.h"
#include "PjlVocabulary.h"
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
#include "companion/Utilities/Printer.h"
#include "companion/Utilities/XFolder.h"

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

[[noreturn]] void RaiseOperationFailure(std::string message, HRESULT result,
                                        const char* function = __builtin_FUNCTION(),
                                        std::uint32_t line = __builtin_LINE()) {
    RaiseFilterFailure(kSourceFile, std::move(message), result, function, line);
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
    encryptingOutput.reset();
    output.reset();
    atriumHelper.reset();
    atriumHelper = std::make_unique<CorvoAtriumHelper>(
        settings.jobDocumentName, settings.jobUserName, settings.userDomain, GetPrinterName(),
        settings.mimeType, settings.pageCount, ComReference<IPrintWriteStream>(GetWriteStream()));
    output = OpenJobOutput();
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
                XFolder::DisplayPath(atriumHelper->GetJobFolder()).c_str());
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
        RaiseOperationFailure(buildErrorMessage(kCancelledMessage),
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
        RaiseOperationFailure("Reading the first bytes of the print stream failed with " +
                                  OperationAccount::Hex(result) + ".",
                              result);
    }
}

void PDLStreamFilter::RewindReadStream_throws() {
    ULONGLONG position = 0;
    const HRESULT result = GetReadStream()->Seek(0, STREAM_SEEK_SET, &position);
    if (FAILED(result)) {
        RaiseOperationFailure("Rewinding the print stream to its start failed with " +
                                  OperationAccount::Hex(result) + ".",
                              result);
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
        ticket = Pjl::Wide(Pjl::kJobLine) + ticket;
        prefixes.emplace_back("JOB");
    }
    if (driverBag != nullptr &&
        driverBag->GetDriverProductData().GetControllerFamily() ==
            kControllerFamilyWithSeparatorEoj &&
        driverBag->GetDriverProductData().IsFullQpifSupported() &&
        Printer(GetPrinterHandle()).IsMSSeparatorPageSelected()) {
        ticket = Pjl::Wide(Pjl::kSeparatorEojLine) + ticket;
        prefixes.insert(prefixes.begin(), "EOJ");
    }
    const CPString bytes(ticket);
    const SizeRawBytes32 count = bytes.sizeOfUtf8RawBytes();
    const std::uint64_t at = account.OutputOffset();
    output->Write(bytes.utf8RawBytes(), count.get());
    if (FAILED(output->Failure())) {
        const auto written = static_cast<unsigned long>(account.OutputOffset() - at);
        RaiseOperationFailure(buildErrorMessage("Failed writing QPIF into the print stream. "
                                                "Expected to write %ld bytes. Bytes written is "
                                                "%ld.",
                                                count, written),
                              output->Failure());
    }
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
        RaiseOperationFailure(buildErrorMessage("The driver property bag is not available: the "
                                                "job cannot be copied."),
                              E_FAIL);
    }
    CPString productPdlDataXml;
    if ((!settings.qfciCompliant && !settings.fullQpifSupported &&
         driverPdl == PdlValue::PostScript) ||
        settings.requiresBothPjlAndQcpt) {
        productPdlDataXml = driverBag->GetProductPdlDataXml();
    }
    InserterOptions options;
    options.pdlType = driverPdl;
    options.removeNativeStapling = settings.removeNativeStapling;
    options.legacyGreenFax = settings.legacyGreenFax;
    options.requiresBothPjlAndQcpt = settings.requiresBothPjlAndQcpt;
    options.keepPageSetup = settings.keepPageSetup;
    options.productPdlData = std::move(productPdlDataXml);
    options.propertyBag =
        ComReference<IPrintPipelinePropertyBag>(GetIPrintPipelinePropertyBagPtr());
    PDLInserter inserter(JobOutput(settings, packageFolder), GetReadStream(), items, options);
    inserter.StopWhenRequested(ShutdownRequest());
    inserter.CopyStream();
}

// The destination of every byte of the job: the content file of its Atrium folder when the queue
// hands jobs to a folder, else the pipeline's writer.
std::unique_ptr<PdlOutput> PDLStreamFilter::OpenJobOutput() {
    if (atriumHelper->UsesAtrium()) {
        return std::make_unique<AtriumContentOutput>(*atriumHelper->GetJobContentFile(), account);
    }
    return std::make_unique<PipelineOutput>(atriumHelper->GetPipelineStream(), account);
}

// With a pass phrase the copy writes through an encrypting output over the job's own; an XPS job's
// ticket, read when its section begins, makes the header in front of it.
PdlOutput& PDLStreamFilter::JobOutput(const JobSettings& settings, const CXString& packageFolder) {
    if (settings.passPhrase.IsBlank()) {
        return *output;
    }
    encryptingOutput = std::make_unique<EncryptingOutput>(
        *output, settings.passPhrase,
        std::make_unique<MeridianEncryption>(MeridianEncryption::kFormatVersionMode, packageFolder),
        driverPdl == PdlValue::Xps
            ? ComReference<IPrintPipelinePropertyBag>(GetIPrintPipelinePropertyBagPtr())
            : ComReference<IPrintPipelinePropertyBag>());
    return *encryptingOutput;
}
