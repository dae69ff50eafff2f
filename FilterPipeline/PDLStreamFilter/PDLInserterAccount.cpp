// What the inserter tells the operation account beyond single steps: the page features, the job's
// end, and what is left when it goes (items never inserted, graphics groups dropped, its counts).
#include "PDLInserter.h"

const char* PDLInserter::PageFeatureGenerator() const noexcept {
    return options.requiresBothPjlAndQcpt ? "productThenBuiltIn"
           : genericPageLevelFeatures     ? "builtIn"
                                          : "productData";
}

void PDLInserter::RecordPageFeatures(LONG page, bool hasFeatures, std::uint64_t at,
                                     DWORD length) const noexcept {
    if (!output.Taking()) {
        return;
    }
    using Scalar = OperationAccount::Scalar;
    const Scalar last =
        hasFeatures ? Scalar("generator", PageFeatureGenerator()) : Scalar("none", true);
    account.RecordScalars("pageFeatures", {{"page", static_cast<long long>(page)},
                                           {"outputOffset", at},
                                           {"length", static_cast<std::uint64_t>(length)},
                                           last});
}

void PDLInserter::RecordDropped(DWORD from, DWORD to, LONG page) const noexcept {
    if (to <= from) {
        return;
    }
    Record(page == 0 ? "pjlCommentDrop" : "pageSetupDropped", [&] {
        OperationAccount::Fields fields{{"inputOffset", inputOffset + from},
                                        {"length", to - from},
                                        {"outputOffset", account.OutputOffset()}};
        if (page != 0) {
            fields["page"] = static_cast<long long>(page);
        }
        return fields;
    });
}

void PDLInserter::RecordJobEnd(const char* trailer, std::uint64_t at) const noexcept {
    Record("jobEnd", [&] {
        return OperationAccount::Fields{{"trailer", trailer}, {"outputOffset", at}};
    });
}

void PDLInserter::RecordWhatIsLeft() const noexcept {
    RecordItemsNotInserted(account, insertionList);
    if (groupsRemoved != 0) {
        Record("graphicsGroupsRemoved", [&] {
            return OperationAccount::Fields{{"count", groupsRemoved}};
        });
    }
    const auto elapsed =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started);
    account.CountCopy(bytesRead, cycles, elapsed.count());
}
