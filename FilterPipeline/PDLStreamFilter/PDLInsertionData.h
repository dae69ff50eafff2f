// One piece of job control to put into the stream, with its place in it, and the list the inserter
// walks in order.
#pragma once

#include <vector>

#include "companion/Utilities/CXString.h"

enum PDLInsertionTypeEnum : DWORD {
    BeforePjlEnterLanguage = 0,
    BeforeEndSetup = 1,
    BeforeTitle = 4,
    AtStreamStart = 5,
    BeforePclmHeader = 6,
};

class PDLInsertionData {
  public:
    PDLInsertionData(DWORD insertionType, CXString insertionText);
    virtual ~PDLInsertionData();
    PDLInsertionData(const PDLInsertionData&) = default;
    PDLInsertionData& operator=(const PDLInsertionData&) = default;

    // Left empty by the driver; read by nothing.
    CXString tag;
    DWORD insertionType;
    CXString insertionText;
    // Set by the inserter when it writes the item, so that each item goes out at most once.
    bool isInserted = false;
};

class PDLInsertionDataList : public std::vector<PDLInsertionData> {
  public:
    PDLInsertionDataList() = default;
    virtual ~PDLInsertionDataList();
};

class OperationAccount;

// Records every item of `items` that was never inserted, in list order.
void RecordItemsNotInserted(OperationAccount& account, const PDLInsertionDataList& items) noexcept;
