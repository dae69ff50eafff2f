// The job's bytes into the content file of its Atrium job folder, where a consumer process takes
// the finished job from.
#pragma once

#include "PdlOutput.h"
#include "companion/Utilities/XFile.h"

class AtriumContentOutput final : public PdlOutput {
  public:
    // The content file outlives the output.
    AtriumContentOutput(XFile& contentFile, OperationAccount& account) noexcept
        : PdlOutput(account), contentFile(contentFile) {}

  private:
    // A failed write reports the OS error (a full disk, a lost share), E_FAIL when it left none.
    HRESULT WriteImpl(const BYTE* bytes, DWORD count, bool endsSection) override;

    XFile& contentFile;
};
