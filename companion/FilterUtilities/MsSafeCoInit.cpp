// COM initialisation guard.
#include "MsSafeCoInit.h"

MsSafeCoInit::MsSafeCoInit() : result(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}

MsSafeCoInit::~MsSafeCoInit() {
    // RPC_E_CHANGED_MODE means the thread was already in another apartment: not ours to leave.
    if (SUCCEEDED(result)) {
        CoUninitialize();
    }
}
