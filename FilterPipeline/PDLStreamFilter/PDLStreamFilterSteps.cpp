// The operation's steps that gather the job's facts and run its one copy.
#include <cstdint>

#include "PDLStreamFilter.h"
#include "PrintReadyFilePassThrough.h"
#include "companion/Utilities/DriverProductData.h"
#include "companion/Utilities/PrintDriver.h"
#include "companion/Utilities/PrintJob.h"
#include "companion/Utilities/Printer.h"

namespace {
constexpr LONG kPrintReadyFilePdlParameter = 603;
constexpr LONG kPageCountParameter = 601;
// Room for a SAM-compatible name: a domain, a backslash and a user name.
constexpr int kUserNameBufferLength = 261;
}  // namespace

void PDLStreamFilter::DetectPrintReadyFileInXpsWrapper() {
    IPrintPipelinePropertyBag* bag = GetIPrintPipelinePropertyBagPtr();
    std::optional<CXString> path = JobSettings::ReadString(
        bag, WIDE("XPS_FP_FILESPEC_FOR_TEMP_COPY_OF_PRINT_READY_FILE_PASSED_IN_XPS_WRAPPER"));
    if (!path) {
        return;
    }
    printReadyFileInXpsWrapper = true;
    printReadyFileTempPath = std::move(*path);
    clientJobData.reset();
    clientJobData =
        std::make_unique<ClientJobData2ReaderWriter>(GetPrinterHandle(), GetJobId(), bag);
    clientJobData->GetLongFromParameterList(kPrintReadyFilePdlParameter, printReadyFilePdl);
}

// Runs as the submitting user, so that the user name is the user's and not the spooler's.
void PDLStreamFilter::GatherJobRecordAndUser(JobSettings& settings) const {
    const SetThreadTokenWrapper asUser(GetUserToken());
    {
        PrintJob job;
        if (const JOB_INFO_1W* record = job.GetJobInfo(GetPrinterHandle(), GetJobId(), 1, false)) {
            if (record->pDocument != nullptr) {
                settings.jobDocumentName = CXString(record->pDocument);
            }
            if (record->pUserName != nullptr) {
                settings.jobUserName = CXString(record->pUserName);
            }
        }
    }
    WCHAR* buffer = settings.userDomain.GetBufferSetLength(kUserNameBufferLength);
    ULONG size = kUserNameBufferLength;
    if (GetUserNameExW(NameSamCompatible, buffer, &size) == FALSE) {
        settings.userDomain.ReleaseBuffer(0);
        return;
    }
    settings.userDomain.ReleaseBuffer(-1);
    settings.userDomain = JobSettings::DomainOfSamCompatibleName(settings.userDomain);
}

// A page count below zero in the client job data is no page count: it stays 0.
void PDLStreamFilter::DeriveMimeTypeAndPageCount(JobSettings& settings) const {
    settings.pageCount = 0;
    if (!printReadyFileInXpsWrapper) {
        settings.mimeType = JobSettings::MimeTypeOfDriverPdl(driverPdl);
        settings.pageCount = JobSettings::ReadPageCount(GetIPrintPipelinePropertyBagPtr());
        return;
    }
    settings.mimeType = JobSettings::MimeTypeOfPrintReadyFile(printReadyFilePdl);
    LONG pages = 0;
    if (clientJobData && clientJobData->GetLongFromParameterList(kPageCountParameter, pages) &&
        pages > 0) {
        settings.pageCount = static_cast<DWORD>(pages);
    }
}

// For PCL XL the green separator fix-up applies only when the queue prints a separator page.
void PDLStreamFilter::ReadProductFlags(const CorvoDriverPropertyBag& driverBag,
                                       JobSettings& settings) const {
    settings.qfciCompliant = driverBag.IsPrintStreamQFCICompliant();
    settings.fullQpifSupported = driverBag.GetDriverProductData().IsFullQpifSupported();
    settings.greenSeparatorFixUp =
        driverBag.GetDriverProductData().RequiresGreenSeparatorPageFixUp();
    settings.requiresBothPjlAndQcpt = driverBag.GetDriverProductData().RequiresBothPJL_AND_QCPT();
    if (settings.greenSeparatorFixUp && driverPdl == PdlValue::PclXl) {
        settings.greenSeparatorFixUp = Printer(GetPrinterHandle()).IsMSSeparatorPageSelected();
    }
}

CXString PDLStreamFilter::LookUpExtensionPackageFolder(const JobSettings& settings) const {
    if (settings.passPhrase.IsBlank()) {
        return CXString();
    }
    return PrintDriver::GetV4PrinterExtensionPkgFolderPath(
        PrintDriver::GetV4PrinterDriverIDByReverseEngineering(GetPrinterHandle()));
}

// The print-ready file is read under the process's own identity. When the pass-through throws,
// the file stays and the impersonation is not re-applied: the guard ends it on the way out.
void PDLStreamFilter::PassThroughPrintReadyFile(const JobSettings& settings,
                                                PDLInsertionDataList& items,
                                                const CXString& packageFolder,
                                                SetThreadTokenWrapper& impersonation) {
    PrintReadyFilePassThrough passThrough(JobOutput(settings, packageFolder), items);
    passThrough.StopWhenRequested(ShutdownRequest());
    impersonation.RemoveImpersonationToken();
    passThrough.Run(printReadyFileTempPath);
    const bool deleted = !printReadyFileTempPath.IsEmpty() &&
                         DeleteFileW(printReadyFileTempPath.GetString()) != FALSE;
    account.Record("printReadyPassThrough", [&] {
        return OperationAccount::Fields{{"outputOffset", passThrough.Offset()},
                                        {"bytes", passThrough.Bytes()},
                                        {"deleted", deleted}};
    });
    impersonation.ApplyImpersonationToken(GetUserToken());
}
