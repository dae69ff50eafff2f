// COM identifiers and per-thread COM initialisation of the stand-in layer.
#include "cvplatform/ComBase.h"

const IID IID_IUnknown = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IClassFactory = {
    0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

namespace {
// There are no apartments to enter here; what callers can observe of COM initialisation is the
// per-thread count and the model the first call chose, and both are kept faithfully.
thread_local unsigned initialisationCount = 0;
thread_local DWORD initialisedModel = COINIT_MULTITHREADED;
}  // namespace

HRESULT CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit) {
    if (pvReserved != nullptr) {
        return E_INVALIDARG;
    }
    const DWORD model = dwCoInit & COINIT_APARTMENTTHREADED;
    if (initialisationCount > 0 && model != initialisedModel) {
        return RPC_E_CHANGED_MODE;
    }
    initialisedModel = model;
    return ++initialisationCount == 1 ? S_OK : S_FALSE;
}

void CoUninitialize() {
    if (initialisationCount > 0) {
        --initialisationCount;
    }
}
