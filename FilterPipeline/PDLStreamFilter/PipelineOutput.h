// The job's bytes down the pipeline, into the writer the pipeline manager gave the filter.
#pragma once

#include "PdlOutput.h"
#include "seam/FilterPipelineInterfaces.h"

class PipelineOutput final : public PdlOutput {
  public:
    // Without a writer every write fails with E_POINTER. The writer outlives the output.
    PipelineOutput(IPrintWriteStream* writer, OperationAccount& account) noexcept
        : PdlOutput(account), writer(writer) {}

  private:
    HRESULT WriteImpl(const BYTE* bytes, DWORD count, bool endsSection) override;

    IPrintWriteStream* writer;
};
