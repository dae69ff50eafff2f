// The filter object of one print job: a stream filter whose operation copies the finished job to
// the next stage with the driver's job control put in on the way.
#pragma once

#include <memory>

#include "CorvoAtriumHelper.h"
#include "PdlValue.h"
#include "companion/FilterUtilities/StreamFilterBase.h"
#include "companion/Utilities/CXString.h"

class PDLStreamFilter : public StreamFilterBase {
  public:
    PDLStreamFilter();
    ~PDLStreamFilter() override;

  protected:
    void StartOperation_throws() override;

  private:
    // The job operation fills these; until it runs they hold their initial values.
    [[maybe_unused]] bool printReadyFileInXpsWrapper = false;
    CXString printReadyFileTempPath;
    [[maybe_unused]] LONG printReadyFilePdl = PdlValue::NoneKnown;
    [[maybe_unused]] LONG driverPdl = PdlValue::NoneKnown;
    std::unique_ptr<CorvoAtriumHelper> atriumHelper;
};
