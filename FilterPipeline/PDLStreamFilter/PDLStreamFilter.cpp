// The filter object: its life in the module object count and its operation.
#include "PDLStreamFilter.h"

#include "ModuleObjectCount.h"
#include "companion/Utilities/CPComException.h"

PDLStreamFilter::PDLStreamFilter() {
    ModuleObjectCount::Increment();
}

PDLStreamFilter::~PDLStreamFilter() {
    ModuleObjectCount::Decrement();
}

void PDLStreamFilter::StartOperation_throws() {
    throw CPComException("PDLStreamFilter: this build has no job operation yet", GetLastError(),
                         CV_DEBUG_CONTEXT(kLibraryCategoryMask), E_NOTIMPL);
}
