// Insertion items, and the account of those that never went out.
#include "PDLInsertionData.h"

#include <utility>

#include "OperationAccount.h"

PDLInsertionData::PDLInsertionData(DWORD insertionType, CXString insertionText)
    : insertionType(insertionType), insertionText(std::move(insertionText)) {}

PDLInsertionData::~PDLInsertionData() = default;

PDLInsertionDataList::~PDLInsertionDataList() = default;

void RecordItemsNotInserted(OperationAccount& account, const PDLInsertionDataList& items) noexcept {
    for (std::size_t index = 0; index < items.size(); ++index) {
        const PDLInsertionData& item = items[index];
        if (!item.isInserted) {
            account.Record("item", [&] {
                return OperationAccount::Fields{
                    {"index", index}, {"type", item.insertionType}, {"inserted", false}};
            });
        }
    }
}
