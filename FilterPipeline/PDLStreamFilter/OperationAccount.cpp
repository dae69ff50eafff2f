// The operation account and its sink.
#include "OperationAccount.h"

#include <cstdio>

#include "companion/Utilities/PipelineProperty.h"

OperationAccount::OperationAccount(IPrintPipelinePropertyBag* bag)
    : sink(PipelineProperty(bag, kPDLStreamFilterAccountSinkProperty)
               .Query<IPDLStreamFilterAccountSink>(IID_IPDLStreamFilterAccountSink)) {}

void OperationAccount::Send(const char* kind, const Fields& fields) {
    Fields record{{"record", kind}};
    for (const auto& [name, value] : fields.items()) {
        record[name] = value;
    }
    const std::string text = record.dump(-1, ' ', false, Fields::error_handler_t::replace);
    sink->Record(text.data(), static_cast<ULONG>(text.size()));
}

void OperationAccount::RecordTotals() noexcept {
    Record("totals", [this] {
        return Fields{{"bytesRead", bytesRead},
                      {"bytesDelivered", delivered},
                      {"cycles", cycles},
                      {"elapsedMilliseconds", copyMilliseconds}};
    });
}

std::string OperationAccount::Hex(HRESULT result) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(result));
    return text;
}
