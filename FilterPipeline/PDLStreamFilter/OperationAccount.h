// The filter's account of one operation: a record for each decision as the job runs, with the
// output offset where it happened, sent to the sink the pipeline gave. Without a sink nothing is
// formatted or sent; only the count of delivered bytes runs.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <string>

#include "IPDLStreamFilterAccountSink.h"
#include "companion/Utilities/ComReference.h"
#include "seam/FilterPipelineInterfaces.h"

class OperationAccount {
  public:
    using Fields = nlohmann::ordered_json;

    // An account that records nothing.
    OperationAccount() = default;
    // Takes the sink the pipeline property bag holds, if any.
    explicit OperationAccount(IPrintPipelinePropertyBag* bag);

    bool IsOn() const noexcept { return static_cast<bool>(sink); }

    // The output offset of the next byte: what reached the pipeline writer or the Atrium content
    // file so far, the direct ticket and the ciphertext of encrypted sections included.
    std::uint64_t OutputOffset() const noexcept { return delivered; }
    void CountDelivered(std::uint64_t count) noexcept { delivered += count; }

    // Sends {"record": kind, ...the fields `make` returns}; `make` runs only when there is a sink.
    // Neither a failing sink nor a failing `make` reaches the job.
    template <typename Make>
    void Record(const char* kind, Make&& make) noexcept {
        if (!sink) {
            return;
        }
        try {
            Send(kind, make());
        } catch (...) {
            // The account is a witness of the job, never a reason for it to fail.
        }
    }

    // A field of a record sent as text straight away: a number, a flag, or a name of the code's
    // own (written as it stands, so never a text from the job).
    struct Scalar {
        enum class Kind { Signed, Unsigned, Flag, Name };
        Scalar(const char* field, long long value)
            : field(field), kind(Kind::Signed), number(value) {}
        Scalar(const char* field, std::uint64_t value)
            : field(field), kind(Kind::Unsigned), unsignedNumber(value) {}
        Scalar(const char* field, bool value) : field(field), kind(Kind::Flag), flag(value) {}
        Scalar(const char* field, const char* value)
            : field(field), kind(Kind::Name), name(value) {}

        const char* field;
        Kind kind;
        union {
            long long number;
            std::uint64_t unsignedNumber;
            bool flag;
            const char* name;
        };
    };
    // The record `Record` would send for the same fields, written into a buffer the account keeps:
    // a record made for every page costs no allocation once that buffer has grown.
    void RecordScalars(const char* kind, std::initializer_list<Scalar> fields) noexcept;

    // The copy's counts, for the totals: bytes read, cycles, and its time in milliseconds.
    void CountCopy(std::uint64_t read, std::uint64_t copyCycles, double milliseconds) noexcept {
        bytesRead += read;
        cycles += copyCycles;
        copyMilliseconds += milliseconds;
    }
    // The last record of an operation: bytes read and delivered, cycles, the copy's time.
    void RecordTotals() noexcept;

    // The HRESULT as the account writes it: "0x80070005".
    static std::string Hex(HRESULT result);

  private:
    void Send(const char* kind, const Fields& fields);
    void Append(const Scalar& scalar);

    ComReference<IPDLStreamFilterAccountSink> sink;
    std::string line;
    std::uint64_t delivered = 0;
    std::uint64_t bytesRead = 0;
    std::uint64_t cycles = 0;
    double copyMilliseconds = 0;
};
