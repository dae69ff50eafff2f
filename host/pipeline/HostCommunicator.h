// Hands the filter its two ends of the pipeline.
#pragma once

#include "host/pipeline/HostComObject.h"

class HostCommunicator : public HostComObject<IInterFilterCommunicator> {
  public:
    // Keeps a reference on each stream.
    HostCommunicator(IPrintReadStream* reader, IPrintWriteStream* writer);
    ~HostCommunicator() override;

    HRESULT STDMETHODCALLTYPE RequestReader(void** reader) override;
    HRESULT STDMETHODCALLTYPE RequestWriter(void** writer) override;

  private:
    IPrintReadStream* reader;
    IPrintWriteStream* writer;
};
