// Last-error preservation.
#include "LastErrorPreserver.h"

LastErrorPreserver::LastErrorPreserver() noexcept : saved(GetLastError()) {
    SetLastError(saved);
}

LastErrorPreserver::~LastErrorPreserver() {
    SetLastError(saved);
}
