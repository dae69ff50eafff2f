// Inside the stand-in layer only: CloseHandle hands over what is not a file.
#pragma once

#include "cvplatform/Win32Types.h"

// True when `handle` was a token (and is now closed).
bool CloseTokenHandle(HANDLE handle);
