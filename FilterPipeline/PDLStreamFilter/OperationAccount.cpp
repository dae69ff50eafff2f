// The operation account and its sink.
#include "OperationAccount.h"

#include <charconv>
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

void OperationAccount::RecordScalars(const char* kind,
                                     std::initializer_list<Scalar> fields) noexcept {
    if (!sink) {
        return;
    }
    try {
        line.assign("{\"record\":\"").append(kind).append("\"");
        for (const Scalar& scalar : fields) {
            Append(scalar);
        }
        line.push_back('}');
        sink->Record(line.data(), static_cast<ULONG>(line.size()));
    } catch (...) {
        // As with every record: the account never fails the job.
    }
}

void OperationAccount::Append(const Scalar& scalar) {
    line.append(",\"").append(scalar.field).append("\":");
    char digits[24];
    std::to_chars_result end{};
    switch (scalar.kind) {
        case Scalar::Kind::Signed:
            end = std::to_chars(digits, digits + sizeof digits, scalar.number);
            line.append(digits, end.ptr);
            return;
        case Scalar::Kind::Unsigned:
            end = std::to_chars(digits, digits + sizeof digits, scalar.unsignedNumber);
            line.append(digits, end.ptr);
            return;
        case Scalar::Kind::Flag:
            line.append(scalar.flag ? "true" : "false");
            return;
        case Scalar::Kind::Name:
            line.append("\"").append(scalar.name).append("\"");
            return;
    }
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
