// The Atrium hand-off of one job: when the printer asks for it ("UseCorvoAtrium" = 1), the finished
// stream goes into a fresh job folder on disk instead of down the pipeline, and a consumer process
// picks it up once the folder is complete. The files are the whole protocol with that consumer:
// ready.lck while the job is produced, then JobContent.out, JobSpec.xml and QCPT.ready.
#pragma once

#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "companion/Utilities/ByteBuffer.h"
#include "companion/Utilities/CXString.h"
#include "companion/Utilities/ComReference.h"
#include "companion/Utilities/XFile.h"
#include "seam/FilterPipelineInterfaces.h"

class CorvoAtriumHelper {
  public:
    static constexpr const WCHAR* kPrinterDataValueName = WIDE("UseCorvoAtrium");
    static constexpr const WCHAR* kSettingsFile =
        WIDE("Corvo\\QMP\\CompatibleJobTickets\\QCPT_Setting.xml");
    static constexpr const WCHAR* kDefaultJobsRoot = WIDE("Corvo\\QMP\\CompatibleJobTickets\\Jobs");
    static constexpr const WCHAR* kLockFileName = WIDE("ready.lck");
    static constexpr const WCHAR* kContentFileName = WIDE("JobContent.out");
    static constexpr const WCHAR* kJobSpecificationFileName = WIDE("JobSpec.xml");
    static constexpr const WCHAR* kReadyMarkerFileName = WIDE("QCPT.ready");
    static constexpr const WCHAR* kStatusSuccess = WIDE("Success");
    static constexpr const WCHAR* kStatusFailed = WIDE("Failed");

    CorvoAtriumHelper(const CXString& spoolerDocumentName, const CXString& owner,
                      const CXString& domainName, const CXString& queueName,
                      const CXString& documentFormat, DWORD pages,
                      ComReference<IPrintWriteStream> pipelineStream);
    virtual ~CorvoAtriumHelper();
    CorvoAtriumHelper(const CorvoAtriumHelper&) = delete;
    CorvoAtriumHelper& operator=(const CorvoAtriumHelper&) = delete;

    // Ends the hand-off: records the outcome, closes the content, writes JobSpec.xml, then
    // QCPT.ready, and removes the lock last. Does nothing while the hand-off is off. Throws a
    // CPComException naming the document that cannot be written whole; the lock then stays.
    void FinishJob(bool succeeded);

    // The folder under which a job folder made now would go (with a trailing backslash); empty
    // when there is no common application data folder.
    static CXString JobsRoot();

    // UTC time as "yyyy-MM-ddThh:mm:ss.000Z"; empty when the platform cannot format it.
    static CXString FormatSubmittedDateTime(const SYSTEMTIME& time);

    bool UsesAtrium() const noexcept { return useAtrium; }
    XFile* GetJobContentFile() const noexcept { return jobContentFile.get(); }
    IPrintWriteStream* GetPipelineStream() const noexcept { return pipelineStream.Get(); }
    const CXString& GetJobFolder() const noexcept { return jobFolder; }
    // "Success" or "Failed", as FinishJob last recorded it.
    const CXString& GetStatus() const noexcept { return status; }

  private:
    static CXString ReadRootFolderSetting();
    void StartJobFolder();
    void WriteJobSpecification();
    void WriteJobReadyMarker();
    // Writes `fileName` in the job folder: the template document with `children` appended to its
    // root as elements holding one text node each.
    void WriteXmlDocument(const WCHAR* fileName, const char* templateText,
                          const std::vector<std::pair<const WCHAR*, CXString>>& children) const;
    void PlaceFile(const WCHAR* fileName, const ByteBuffer& bytes) const;

    CXString queueName;
    CXString spoolerDocumentName;
    CXString owner;
    CXString domainName;
    ComReference<IPrintWriteStream> pipelineStream;
    bool useAtrium = false;
    CXString jobFolder;
    std::unique_ptr<XFile> jobContentFile;
    CXString documentName;
    CXString documentFormat;
    CXString documentDisplayName;
    CXString contentType;
    DWORD pages;
    DWORD size = 0;
    CXString submittedDateTime;
    CXString status{kStatusSuccess};
};
