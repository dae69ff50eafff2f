// The filter object of one print job: a stream filter whose operation copies the finished job to
// the next stage with the driver's job control put in on the way.
#pragma once

#include <memory>

#include "CorvoAtriumHelper.h"
#include "EncryptingOutput.h"
#include "JobSettings.h"
#include "OperationAccount.h"
#include "PDLInserter.h"
#include "PDLInsertionData.h"
#include "PDLInsertionListBuilder.h"
#include "PdlOutput.h"
#include "PdlValue.h"
#include "companion/FilterUtilities/StreamFilterBase.h"
#include "companion/Utilities/CXString.h"
#include "companion/Utilities/ClientJobData2ReaderWriter.h"
#include "companion/Utilities/CorvoDriverPropertyBag.h"
#include "companion/Utilities/SetThreadTokenWrapper.h"

class PDLStreamFilter : public StreamFilterBase {
  public:
    PDLStreamFilter();
    ~PDLStreamFilter() override;

  protected:
    // The whole job: settings, the Atrium hand-off, the direct ticket, the items, one copy.
    void StartOperation_throws() override;

  private:
    // Steps 2 to 20 of the operation; StartOperation_throws frames them with the account.
    void RunOperation_throws();
    // What the job's settings and items need once the Atrium helper exists; any exception
    // leaving it is the operation's failure.
    void RunJob_throws(JobSettings& settings, const CorvoDriverPropertyBag* driverBag,
                       SetThreadTokenWrapper& impersonation);

    void FinishFailedJob() noexcept;
    void RecordFailure() noexcept;
    void RecordAtrium(bool locked) noexcept;
    void ThrowIfShutdownRequested_throws() const;
    // Reads up to 4 bytes of the input to see that it can be read; rewound before the copy.
    void ReadFirstInputBytes_throws();
    void RewindReadStream_throws();
    // Writes the ticket (with its PJL prefixes) as the very first bytes of the output, past the
    // inserter: it is never encrypted.
    void WriteDirectTicket_throws(const JobSettings& settings,
                                  const CorvoDriverPropertyBag* driverBag);

    void DetectPrintReadyFileInXpsWrapper();
    void GatherJobRecordAndUser(JobSettings& settings) const;
    void DeriveMimeTypeAndPageCount(JobSettings& settings) const;
    void ReadProductFlags(const CorvoDriverPropertyBag& driverBag, JobSettings& settings) const;
    CXString LookUpExtensionPackageFolder(const JobSettings& settings) const;
    void CopyMainStream(const JobSettings& settings, const CorvoDriverPropertyBag* driverBag,
                        PDLInsertionDataList& items, const CXString& packageFolder);
    std::unique_ptr<PdlOutput> OpenJobOutput();
    PdlOutput& JobOutput(const JobSettings& settings, const CXString& packageFolder);
    void PassThroughPrintReadyFile(const JobSettings& settings, PDLInsertionDataList& items,
                                   const CXString& packageFolder,
                                   SetThreadTokenWrapper& impersonation);

    bool printReadyFileInXpsWrapper = false;
    CXString printReadyFileTempPath;
    std::unique_ptr<ClientJobData2ReaderWriter> clientJobData;
    LONG printReadyFilePdl = PdlValue::NoneKnown;
    LONG driverPdl = PdlValue::NoneKnown;
    std::unique_ptr<CorvoAtriumHelper> atriumHelper;
    // Where the job's bytes go, and with a pass phrase the encrypting output over it.
    std::unique_ptr<PdlOutput> output;
    std::unique_ptr<EncryptingOutput> encryptingOutput;
    // The account of the one operation, and the stage it has reached, which a failure names.
    OperationAccount account;
    const char* stage = "set-up";
};
