// The report of a run, built from the filter's account.
#include "host/account/JobReport.h"

#include <algorithm>
#include <filesystem>

#include "host/job/TextConversion.h"
#include "seam/Win32Seam.h"

namespace {
using Json = JobReport::Json;

// The most memory the process held at once: the figure that shows a job is streamed, not held.
Json PeakResidentBytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    if (GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters) == FALSE) {
        return nullptr;
    }
    return static_cast<std::uint64_t>(counters.PeakWorkingSetSize);
}

// The records of one kind, without their kind.
Json RecordsOf(const std::vector<Json>& account, const char* kind) {
    Json records = Json::array();
    for (const Json& record : account) {
        if (record.value("record", "") == kind) {
            Json fields = record;
            fields.erase("record");
            records.push_back(std::move(fields));
        }
    }
    return records;
}

// The one record of a kind, or null.
Json OneOf(const std::vector<Json>& account, const char* kind) {
    Json records = RecordsOf(account, kind);
    return records.empty() ? Json(nullptr) : records.front();
}
}  // namespace

// The filter writes the folder with Windows separators.
Json JobReport::AtriumJobFolder(const std::vector<Json>& account) {
    const Json atrium = OneOf(account, "atrium");
    if (!atrium.is_object() || !atrium["jobFolder"].is_string()) {
        return nullptr;
    }
    const std::filesystem::path folder =
        TextConversion::NativePath(TextConversion::FromUtf8(atrium["jobFolder"]));
    const std::u8string utf8 = folder.lexically_normal().u8string();
    return std::string(utf8.begin(), utf8.end());
}

// Everything the report says of the filter's work comes from the filter's own account.
Json JobReport::Of(const JobRun::Outcome& outcome, const std::string& inputName,
                   const std::string& outputName) {
    Json items = RecordsOf(outcome.account, "item");
    std::sort(items.begin(), items.end(),
              [](const Json& a, const Json& b) { return a["index"] < b["index"]; });
    return Json{{"hresult", TextConversion::HresultText(outcome.result)},
                {"message", outcome.message},
                {"input", inputName},
                {"output", outputName},
                {"bytesIn", outcome.bytesIn},
                {"bytesOut", outcome.bytesOut},
                {"atriumJobFolder", AtriumJobFolder(outcome.account)},
                {"directTicket", OneOf(outcome.account, "directTicket")},
                {"insertedItems", items},
                {"encryptedSections", RecordsOf(outcome.account, "encryptedSection")},
                {"pageFeatures", RecordsOf(outcome.account, "pageFeatures")},
                {"staplingRemoved", OneOf(outcome.account, "staplingRemoved")},
                {"trailer", OneOf(outcome.account, "jobEnd")},
                {"failure", OneOf(outcome.account, "failure")},
                {"account", outcome.account},
                {"peakResidentBytes", PeakResidentBytes()}};
}
