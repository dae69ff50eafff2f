// Insertion items.
#include "PDLInsertionData.h"

#include <utility>

PDLInsertionData::PDLInsertionData(DWORD insertionType, CXString insertionText)
    : insertionType(insertionType), insertionText(std::move(insertionText)) {}

PDLInsertionData::~PDLInsertionData() = default;

PDLInsertionDataList::~PDLInsertionDataList() = default;
