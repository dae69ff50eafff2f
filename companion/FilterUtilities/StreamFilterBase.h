// The stream side of the maker's filters: the read stream from the previous filter, the write
// stream to the next, and the job facts that the operation reads.
#pragma once

#include "MsRenderFilterBase.h"
#include "companion/Utilities/CXString.h"

class StreamFilterBase : public MsRenderFilterBase {
  public:
    StreamFilterBase();
    ~StreamFilterBase() override;

  protected:
    void InitializeIO_throws(IInterFilterCommunicator* communicator) override;
    void CloseWriter() noexcept override;
    // Reads the pipeline's standard job properties: "PrinterName", "PrinterHandle",
    // "UserSecurityToken" and "PrintJobId".
    void OnInitializeFilter() override;

    const CXString& GetPrinterName() const noexcept { return printerName; }
    HANDLE GetPrinterHandle() const noexcept { return printerHandle; }
    HANDLE GetUserToken() const noexcept { return userToken; }
    DWORD GetJobId() const noexcept { return jobId; }
    IPrintReadStream* GetReadStream() const noexcept { return readStream.Get(); }
    IPrintWriteStream* GetWriteStream() const noexcept { return writeStream.Get(); }

  private:
    CXString printerName;
    HANDLE printerHandle = nullptr;
    HANDLE userToken = nullptr;
    DWORD jobId = 0;
    ComReference<IPrintReadStream> readStream;
    ComReference<IPrintWriteStream> writeStream;
};
