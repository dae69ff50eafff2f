// An OS error code as the words people read: the system's own text of it, without the final full
// stop and line end, so that it fits inside a sentence; the bare number where the system has none.
#pragma once

#include <string>

#include "seam/Win32Seam.h"

class SystemErrorText {
  public:
    // "Access is denied" for 5; "error 4711" for a code the system has no text of.
    static std::string Of(DWORD error);
};
