// Turns the job settings into the ordered list of insertion items the inserter writes.
#pragma once

#include "JobSettings.h"
#include "PDLInsertionData.h"

class PDLInsertionListBuilder {
  public:
    // In this order: the PJL text (at the stream's start when the product needs both PJL and the
    // ticket, else before the language switch), the DSC comments, the job-level PostScript, the
    // PCLm ticket, the PJL end-of-job fix-up, and the ticket when it travels as an item. A product
    // with full QPIF support that does not need both gets no item at all.
    static void Build(const JobSettings& settings, PDLInsertionDataList& list);
};
