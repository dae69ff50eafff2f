// The parameters the client side left with a job: a list of numbered integers, kept as the
// text "601=3;603=8635" in the job's named spooler property "Corvo_ClientJobData2", or, where
// the spooler keeps no named properties, in the pipeline property of the same name.
#pragma once

#include <map>
#include <string>

#include "seam/FilterPipelineInterfaces.h"

class ClientJobData2ReaderWriter {
  public:
    static constexpr const WCHAR* kPropertyName = WIDE("Corvo_ClientJobData2");

    // Reads the list once; a list that is missing reads as empty.
    ClientJobData2ReaderWriter(HANDLE printer, DWORD jobId, IPrintPipelinePropertyBag* bag);

    // False, and `value` untouched, when the list has no such parameter.
    bool GetLongFromParameterList(LONG id, LONG& value) const;

    // Entries that are not "number=number" (each a whole decimal of 32 bits, blanks around
    // allowed) are skipped; a later entry for the same number replaces an earlier one.
    static std::map<LONG, LONG> ParseParameterList(const std::basic_string<WCHAR>& text);

  private:
    std::map<LONG, LONG> parameters;
};
