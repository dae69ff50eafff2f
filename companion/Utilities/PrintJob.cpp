// Job records from the spooler.
#include "PrintJob.h"

const JOB_INFO_1W* PrintJob::GetJobInfo(HANDLE printer, DWORD jobId, DWORD level, bool refresh) {
    if (!refresh && !record.empty()) {
        return reinterpret_cast<const JOB_INFO_1W*>(record.data());
    }
    record.clear();
    if (printer == nullptr || level != 1) {
        return nullptr;
    }
    DWORD needed = 0;
    GetJobW(printer, jobId, level, nullptr, 0, &needed);
    if (needed < sizeof(JOB_INFO_1W)) {
        return nullptr;
    }
    std::vector<BYTE> buffer(needed);
    if (GetJobW(printer, jobId, level, buffer.data(), needed, &needed) == FALSE) {
        return nullptr;
    }
    record = std::move(buffer);
    return reinterpret_cast<const JOB_INFO_1W*>(record.data());
}
