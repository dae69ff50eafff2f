// A job of the spooler and its record, read through a printer handle.
#pragma once

#include <vector>

#include "seam/Win32Seam.h"

class PrintJob {
  public:
    // The spooler's level-1 record of the job, owned by this object; null when the spooler has
    // none (unknown job, another level). `refresh` false hands back a record read before.
    const JOB_INFO_1W* GetJobInfo(HANDLE printer, DWORD jobId, DWORD level, bool refresh);

  private:
    std::vector<BYTE> record;
};
